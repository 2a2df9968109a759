# Names a newcomer reads without a guide: no type prefix before a capital
# (strName, btnOK, frmKite7), no object named by a bare number (Label1, FTP1),
# no handler named after a control and an event (btnOK_Click), in any source
# or file name under src/ and tests/. Run by CTest as "names"; by hand:
#   cmake -DSOURCE_DIR=. -P cmake/CheckNames.cmake
set(prefixes "bln|str|lng|dbl|cbo|cmb|txt|lbl|btn|frm|mnu|fra|chk|lst|prg|spn|tbl")
set(start "(^|[^A-Za-z0-9_])")
set(patterns
    "${start}(${prefixes})[A-Z][A-Za-z0-9]*"
    "${start}(Label|Frame|FTP|Timer|Text|Command|Combo|Check|Picture|Image|List)[0-9]+([^A-Za-z0-9_]|$)"
    "[A-Za-z0-9]_(Click|Change|SelChange|GotFocus|LostFocus|KeyDown|KeyPress|Load|Timer)([^A-Za-z0-9_]|$)")

file(GLOB_RECURSE sources ${SOURCE_DIR}/src/* ${SOURCE_DIR}/tests/*)
set(violations "")
foreach(source IN LISTS sources)
    file(RELATIVE_PATH relative ${SOURCE_DIR} ${source})
    if(relative MATCHES "^tests/data/")
        continue()
    endif()
    foreach(pattern IN LISTS patterns)
        get_filename_component(name ${source} NAME)
        if(name MATCHES "${pattern}")
            list(APPEND violations "${relative}: the file's name")
        endif()
        file(STRINGS ${source} lines REGEX "${pattern}")
        foreach(line IN LISTS lines)
            string(STRIP "${line}" line)
            list(APPEND violations "${relative}: ${line}")
        endforeach()
    endforeach()
endforeach()
if(violations)
    list(REMOVE_DUPLICATES violations)
    list(JOIN violations "\n  " shown)
    message(FATAL_ERROR "Names with a type prefix, a bare number or an event suffix:\n  ${shown}")
endif()
message(STATUS "names: none with a type prefix, a bare number or an event suffix")
