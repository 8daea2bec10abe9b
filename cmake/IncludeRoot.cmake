# gq_include_root(target scope name folder): gives `target` the include root
# build/include/<name>, which holds nothing but the link <name>/<name> -> `folder`, and adds it to
# the target's include directories with `scope` (PUBLIC, PRIVATE or INTERFACE).
#
# A library exports only its own root, and target_link_libraries carries the roots of the
# libraries it may use, so "#include "report/..."" does not even resolve in a library that does
# not link gq_report. The include lines stay as they are: "puzzle/TQJ.h" is found as
# build/include/puzzle/puzzle/TQJ.h. tests/layering checks the arrangement.
function(gq_include_root target scope name folder)
    set(root ${PROJECT_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
    target_include_directories(${target} ${scope} ${root})
endfunction()
