# Runs KivoLiveDemo for two seconds under Wine with a screenshot, then prints
# its output and its exit code.
#   cmake -DWINE_RUN=... -DWINE_STATE=... -DDEMO=... -DSCREENSHOT=... -P RunLiveDemo.cmake
foreach(var WINE_RUN WINE_STATE DEMO SCREENSHOT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunLiveDemo.cmake needs -D${var}=...")
    endif()
endforeach()

# A screenshot of an earlier run must not pass for this one's.
file(REMOVE "${SCREENSHOT}")
# The demo is a Windows program: it gets the path on Wine's drive Z:.
string(REPLACE "/" "\\" windows_screenshot "Z:${SCREENSHOT}")

execute_process(
    COMMAND "${WINE_RUN}" "${WINE_STATE}" "${DEMO}" --seconds 2 --screenshot "${windows_screenshot}"
    RESULT_VARIABLE exit_code
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors
    TIMEOUT 90)
message("${output}")
if(errors)
    message("${errors}")
endif()
message("live demo exit code ${exit_code}")
if(NOT exit_code STREQUAL "0")
    message(FATAL_ERROR "KivoLiveDemo failed")
endif()
