# cmake -DCXX=<compiler> -DINCLUDE=<stand-in headers> -DDIR=<this folder> -P CheckIncludeOrder.cmake
# The stand-in stops a source that includes windows.h before MFC's headers with
# MFC's own message, and only such a source.
set(expected "WINDOWS.H already included. MFC apps must not #include <windows.h>")
foreach(case "WindowsFirst.cpp;fails" "MfcFirst.cpp;compiles")
    list(GET case 0 source)
    list(GET case 1 outcome)
    execute_process(
        COMMAND ${CXX} -fsyntax-only -std=c++17 -DUNICODE -D_UNICODE -D_AFXDLL -I${INCLUDE} ${DIR}/${source}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    string(FIND "${output}" "${expected}" at)
    if(outcome STREQUAL "fails" AND (result EQUAL 0 OR at EQUAL -1))
        message(FATAL_ERROR "${source} must fail with \"${expected}\": exit ${result}\n${output}")
    elseif(outcome STREQUAL "compiles" AND NOT result EQUAL 0)
        message(FATAL_ERROR "${source} must compile: exit ${result}\n${output}")
    endif()
endforeach()
