# gq_include_root(target scope name folder): gives `target` the include root
# build/include/<name>, which holds nothing but the link <name>/<name> -> `folder`, and adds it to
# the target's include directories with `scope` (PUBLIC, PRIVATE or INTERFACE). For folders whose
# every header is meant for their users (the test helpers, the desktop front end, the bank tools).
#
# The include lines stay as they are: "puzzle/TQJ.h" is found as build/include/.../puzzle/TQJ.h.
# tests/layering checks the arrangement.
function(gq_include_root target scope name folder)
    set(root ${PROJECT_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
    target_include_directories(${target} ${scope} ${root})
endfunction()

# gq_library_headers(target name folder PUBLIC header...): a subsystem library's two faces.
#   - build/include/<target>/<name>/ holds a link to each PUBLIC header and nothing else; it is
#     the target's PUBLIC include root, so a library that links `target` sees those headers only.
#   - build/include-private/<target>/<name> links the whole folder; it is the target's PRIVATE
#     include root, for its own sources. Its tests add it with gq_private_headers.
# A library exports its own root only, and target_link_libraries carries the roots of the
# libraries it may use, so "#include "report/..."" does not even resolve in a library that does
# not link gq_report, and a private header of another library is never found.
function(gq_library_headers target name folder)
    cmake_parse_arguments(H "" "" "PUBLIC" ${ARGN})
    set(public_root ${PROJECT_BINARY_DIR}/include/${target})
    set(private_root ${PROJECT_BINARY_DIR}/include-private/${target})
    # A build folder made before the split holds a link where the public folder now goes.
    if(IS_SYMLINK ${public_root}/${name})
        file(REMOVE ${public_root}/${name})
    endif()
    file(REMOVE_RECURSE ${public_root})
    file(MAKE_DIRECTORY ${public_root}/${name} ${private_root})
    foreach(header IN LISTS H_PUBLIC)
        if(NOT EXISTS ${folder}/${header})
            message(FATAL_ERROR "${target}: the public header ${header} is not in ${folder}")
        endif()
        get_filename_component(sub ${header} DIRECTORY)
        if(sub)
            file(MAKE_DIRECTORY ${public_root}/${name}/${sub})
        endif()
        file(CREATE_LINK ${folder}/${header} ${public_root}/${name}/${header} SYMBOLIC)
    endforeach()
    file(CREATE_LINK ${folder} ${private_root}/${name} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${public_root} PRIVATE ${private_root})
    set_property(TARGET ${target} PROPERTY GQ_PRIVATE_ROOT ${private_root})
    list(TRANSFORM H_PUBLIC PREPEND ${name}/)
    set_property(TARGET ${target} PROPERTY GQ_PUBLIC_HEADERS ${H_PUBLIC})
endfunction()

# gq_private_headers(consumer library...): lets `consumer` (a library's tests or benchmark) see
# every header of each `library`, private ones included.
function(gq_private_headers consumer)
    foreach(library IN LISTS ARGN)
        get_target_property(root ${library} GQ_PRIVATE_ROOT)
        if(root)
            target_include_directories(${consumer} PRIVATE ${root})
        endif()
    endforeach()
endfunction()
