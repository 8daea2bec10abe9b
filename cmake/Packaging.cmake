# Installation under the usual prefix layout (`cmake --install`) and the Debian package
# (`cpack -G DEB` in a Release build folder). Everything installed is self-contained: the
# puzzle bank and the sample pages are compiled into the programs, so nothing at run time reads
# the source or build folder. The version is the project's, from project(VERSION).
include(GNUInstallDirs)

set(GQ_APP_ID io.example.Gridquill)
set(GQ_PACKAGE_NAME gridquill)
set(GQ_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(GQ_PACKAGING_BINARY ${PROJECT_BINARY_DIR}/packaging)
# Debian wants folders rwxr-xr-x whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# ---- generated files: icon renderings, compressed manual pages and changelog

find_program(GQ_RSVG_CONVERT rsvg-convert)
if(NOT GQ_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert is needed to render the icon; install the Debian package "
                        "librsvg2-bin (scripts/setup.sh --deps does)")
endif()
find_program(GQ_GZIP gzip REQUIRED)

set(GQ_ICON_SIZES 48 64 128 256)
set(GQ_ICON_SVG ${GQ_PACKAGING_SOURCE}/${GQ_APP_ID}.svg)
set(generated_files)
foreach(size IN LISTS GQ_ICON_SIZES)
    set(png ${GQ_PACKAGING_BINARY}/icons/${size}x${size}/${GQ_APP_ID}.png)
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${GQ_PACKAGING_BINARY}/icons/${size}x${size}
        COMMAND ${GQ_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${GQ_ICON_SVG}
        DEPENDS ${GQ_ICON_SVG}
        COMMENT "Rendering the ${size} x ${size} icon"
        VERBATIM)
    list(APPEND generated_files ${png})
endforeach()

# gzip -n leaves out the name and time stamp, so the same source gives the same bytes.
function(gq_gzip_copy source copy)
    add_custom_command(
        OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND ${GQ_GZIP} -9 -n -f ${copy}
        DEPENDS ${source}
        VERBATIM)
endfunction()

foreach(page gridquill.1 gridquill-cli.1)
    configure_file(${GQ_PACKAGING_SOURCE}/${page}.in ${GQ_PACKAGING_BINARY}/configured/${page}
                   @ONLY)
    gq_gzip_copy(${GQ_PACKAGING_BINARY}/configured/${page} ${GQ_PACKAGING_BINARY}/man/${page})
    list(APPEND generated_files ${GQ_PACKAGING_BINARY}/man/${page}.gz)
endforeach()
gq_gzip_copy(${GQ_PACKAGING_SOURCE}/changelog ${GQ_PACKAGING_BINARY}/doc/changelog)
list(APPEND generated_files ${GQ_PACKAGING_BINARY}/doc/changelog.gz)

add_custom_target(gq_packaging_files ALL DEPENDS ${generated_files})

# ---- install rules

install(TARGETS gridquill gridquill-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cpack, cmake --install --strip) also drops the compiler's notes, which
# plain strip keeps.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program gridquill gridquill-cli)
            execute_process(
                COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")
install(FILES ${GQ_PACKAGING_SOURCE}/${GQ_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${GQ_PACKAGING_SOURCE}/${GQ_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${GQ_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS GQ_ICON_SIZES)
    install(FILES ${GQ_PACKAGING_BINARY}/icons/${size}x${size}/${GQ_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${GQ_PACKAGING_BINARY}/man/gridquill.1.gz ${GQ_PACKAGING_BINARY}/man/gridquill-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${GQ_PACKAGING_SOURCE}/completion/gridquill-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# Named after the package rather than the project, where Debian looks for them.
install(FILES ${GQ_PACKAGING_SOURCE}/copyright ${GQ_PACKAGING_BINARY}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${GQ_PACKAGE_NAME})

# ---- the Debian package: gridquill_<version>_<arch>.deb

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${GQ_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "printable Sudoku puzzle books as PDF files")
# The control file's long description: lines of at most 80 characters, as Debian asks.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Gridquill makes Sudoku puzzle books ready to print: 1 to 200 pages with 1, 2\n"
    "or 4 puzzles on a page, at one of six levels from very easy to extreme,\n"
    "optionally with the candidate digits printed in the open cells. The puzzle\n"
    "pages are followed by answer pages, and the book is written as a PDF file.\n"
    "\n"
    "This package holds the desktop program gridquill and the command line\n"
    "gridquill-cli.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.velmora.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora <packages@velmora.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Used at run time without being linked: the engine measures text in, and print-ready books
# embed, Liberation Sans, found through fontconfig's configuration. Libraries opened by their
# sonames when first needed (gq/SharedLibrary.h) are named by their packages, which Debian names
# after the soname (libqpdf.so.29 is in libqpdf29, libzint.so.2.11 in libzint2.11): qpdf reads
# a PDF's page count and zint draws the ISBN barcode for covers, HarfBuzz subsets the fonts
# print-ready books embed.
set(gq_opened_packages "")
foreach(soname IN ITEMS ${GQ_QPDF_SONAME} ${GQ_ZINT_SONAME} ${GQ_HARFBUZZ_SUBSET_SONAME})
    string(REGEX REPLACE "^(lib.*)\\.so\\.([0-9.]+)$" "\\1\\2" package "${soname}")
    string(APPEND gq_opened_packages ", ${package}")
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fontconfig${gq_opened_packages}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
