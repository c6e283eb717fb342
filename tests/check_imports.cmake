# Fails unless the program's import table names only system libraries that
# are mapped before any of our code runs (and that the DLL search restriction
# cannot cover): everything else must be loaded from the system folder at run
# time. With EXACT, the table must name every one of them too.
#   cmake -DOBJDUMP=... -DPROGRAM=file.exe -DALLOWED="KERNEL32.DLL;..." [-DEXACT=ON] -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(imported)
foreach(line IN LISTS lines)
    string(REPLACE "DLL Name: " "" name "${line}")
    string(TOUPPER "${name}" name)
    list(APPEND imported ${name})
endforeach()
list(SORT imported)
set(allowed ${ALLOWED})
list(TRANSFORM allowed TOUPPER)
list(SORT allowed)
set(extra ${imported})
list(REMOVE_ITEM extra ${allowed})
if(extra)
    message(FATAL_ERROR "${PROGRAM} imports ${extra} statically; allowed are only ${allowed}")
endif()
if(EXACT AND NOT imported STREQUAL allowed)
    message(FATAL_ERROR "${PROGRAM} imports ${imported}; expected exactly ${allowed}")
endif()
message(STATUS "${PROGRAM}: ${imported}")
