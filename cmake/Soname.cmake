# gq_soname(out library): the soname of a shared library (from `objdump -p`), for the libraries
# the programs open by name when first needed rather than link (gq/SharedLibrary.h). The package
# depends on them by name (cmake/Packaging.cmake).
function(gq_soname out library)
    file(REAL_PATH "${library}" real)
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p "${real}" OUTPUT_VARIABLE dump
                    RESULT_VARIABLE failed ERROR_QUIET)
    string(REGEX MATCH "SONAME +([^\n ]+)" match "${dump}")
    if(failed OR NOT CMAKE_MATCH_1)
        message(FATAL_ERROR "cannot tell the soname of ${library}")
    endif()
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
