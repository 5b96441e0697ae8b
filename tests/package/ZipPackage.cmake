# ctest script: makes the binary ZIP with cpack, unpacks it, checks its content
# and that its programs import only system DLLs and ours, registers the
# unpacked simulator and runs the unpacked kivo-grab.exe against it. Whatever
# happens, the unpacked simulator is unregistered and the build tree's
# registered again, and the simulator's registry keys must read as before.
#   -D BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE CPACK OBJDUMP WINE_DLL_DIR
#      [EXTRA_PROGRAMS=a.exe,b.exe]  more programs expected in bin/
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE CPACK OBJDUMP WINE_DLL_DIR)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

set(wine_run ${SOURCE_DIR}/cmake/wine-run.sh ${WINE_STATE})
set(failure "")

# Runs a command unless an earlier step failed; a failure is kept in `failure`.
# Its stderr is shown in any case (Wine's diagnostics in the heap-checked run).
macro(run_step name)
    if(failure STREQUAL "")
        execute_process(COMMAND ${ARGN} RESULT_VARIABLE step_result
                        OUTPUT_VARIABLE step_output ERROR_VARIABLE step_error)
        if(NOT step_error STREQUAL "" AND step_result EQUAL 0)
            message(STATUS "${name}, stderr:\n${step_error}")
        endif()
        if(NOT step_result EQUAL 0)
            set(failure "${name} failed (${step_result}):\n${step_output}\n${step_error}")
        endif()
    endif()
endmacro()

macro(fail_unless condition_text)
    if(failure STREQUAL "" AND NOT (${ARGN}))
        set(failure "${condition_text}")
    endif()
endmacro()

# The registry keys the simulator writes, as text.
# The type library's key is left out: every test program registers the same
# type library from its own file, so its path names whichever ran last.
function(read_registration out_var)
    set(text "")
    foreach(key
            "CLSID\\{1444EB98-7652-4C8B-A95F-2FA4283F9F2A}"
            "KivoCameraSim.Camera" "KivoCameraSim.Camera.1"
            "Interface\\{19553368-5BC0-48E3-9CAD-2296F6BBD0A5}"
            "Interface\\{9EDD846F-7698-4900-81B0-F3E5A94153C2}"
            "Interface\\{6AFC02F3-7CF8-4CF4-89E8-6F0991881671}")
        execute_process(COMMAND ${wine_run} reg query "HKLM\\Software\\Classes\\${key}" /s
                        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
        string(APPEND text "[${key}] ${result}\n${out}")
    endforeach()
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Waits until no simulator from `exe_path` runs in Wine, so that the next
# activation starts the program that is registered now.
function(wait_for_no_simulator exe_path)
    string(REPLACE "/" "\\" windows_path "Z:${exe_path}")
    foreach(attempt RANGE 300)
        execute_process(COMMAND ps -eo args OUTPUT_VARIABLE processes)
        string(FIND "${processes}" "${windows_path}" found)
        if(found EQUAL -1)
            return()
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
    endforeach()
    message(WARNING "a simulator from ${exe_path} still runs")
endfunction()

read_registration(registration_before)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/unpacked)

# The ZIP goes to the work folder; the build tree gains nothing.
run_step("cpack" ${CPACK} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/cpack)
file(GLOB zips ${WORK_DIR}/cpack/*.zip)
list(LENGTH zips zip_count)
fail_unless("cpack made ${zip_count} ZIP files, not one" zip_count EQUAL 1)
run_step("unpacking" ${CMAKE_COMMAND} -E chdir ${WORK_DIR}/unpacked ${CMAKE_COMMAND} -E tar xf ${zips})

set(root "")
if(failure STREQUAL "")
    file(GLOB root LIST_DIRECTORIES true ${WORK_DIR}/unpacked/*)
    list(LENGTH root root_count)
    fail_unless("the ZIP holds ${root_count} entries at the top, not one folder"
                root_count EQUAL 1 AND IS_DIRECTORY "${root}")
endif()

# What an application developer needs, and the programs.
set(expected
    README.md
    bin/KivoClient.dll bin/KivoMfc.dll bin/KivoCameraSim.exe bin/kivo-grab.exe bin/KivoConsoleSample.exe
    include/KivoClient.h include/KivoClientException.h include/KivoClientThread.h include/KivoCamera.h
    include/mfc/afxwin.h
    lib/KivoClient.dll.a lib/KivoMfc.dll.a lib/libKivoCameraInterface.a lib/KivoCamera.tlb
    lib/cmake/KivoClient/KivoClientConfig.cmake lib/cmake/KivoClient/KivoClientConfigVersion.cmake
    lib/cmake/KivoClient/KivoClientTargets.cmake)
if(EXTRA_PROGRAMS)
    string(REPLACE "," ";" extra_programs "${EXTRA_PROGRAMS}")
    list(TRANSFORM extra_programs PREPEND bin/)
    list(APPEND expected ${extra_programs})
endif()
if(IS_DIRECTORY ${SOURCE_DIR}/docs)
    file(GLOB_RECURSE doc_files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/docs/*)
    list(APPEND expected ${doc_files})
endif()
if(failure STREQUAL "")
    foreach(file IN LISTS expected)
        fail_unless("the ZIP lacks ${file}" EXISTS "${root}/${file}")
    endforeach()
endif()

# Every DLL a program or DLL of bin/ imports is in bin/ or is a system DLL.
if(failure STREQUAL "")
    file(GLOB binaries ${root}/bin/*.exe ${root}/bin/*.dll)
    file(GLOB shipped RELATIVE ${root}/bin ${root}/bin/*.dll)
    string(TOLOWER "${shipped}" shipped)
    foreach(binary IN LISTS binaries)
        run_step("objdump ${binary}" ${OBJDUMP} -p ${binary})
        string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${step_output}")
        foreach(import IN LISTS imports)
            string(REPLACE "DLL Name: " "" dll "${import}")
            string(TOLOWER "${dll}" dll)
            if(NOT dll IN_LIST shipped AND NOT EXISTS "${WINE_DLL_DIR}/${dll}")
                fail_unless("${binary} imports ${dll}, which is neither in bin/ nor a system DLL" FALSE)
            endif()
        endforeach()
    endforeach()
endif()

if(failure STREQUAL "")
    wait_for_no_simulator(${BUILD_DIR}/bin/KivoCameraSim.exe)
    run_step("registering the unpacked simulator" ${wine_run} ${root}/bin/KivoCameraSim.exe /RegServer)
    execute_process(COMMAND ${wine_run} reg query
                    "HKLM\\Software\\Classes\\CLSID\\{1444EB98-7652-4C8B-A95F-2FA4283F9F2A}\\LocalServer32"
                    OUTPUT_VARIABLE server_key)
    string(REPLACE "/" "\\" unpacked_server "Z:${root}/bin/KivoCameraSim.exe")
    string(FIND "${server_key}" "${unpacked_server}" found)
    fail_unless("the unpacked simulator is not the registered server:\n${server_key}" NOT found EQUAL -1)
    run_step("kivo-grab.exe get 24 from the ZIP" ${wine_run} ${root}/bin/kivo-grab.exe get 24)
    fail_unless("kivo-grab printed '${step_output}'" step_output MATCHES "^24\tLIVEWIDTH\t[0-9]+\r?\n$")
    message(STATUS "unpacked kivo-grab.exe get 24: ${step_output}")
endif()

# Back to the build tree's simulator, on every way out.
if(root AND EXISTS ${root}/bin/KivoCameraSim.exe)
    wait_for_no_simulator(${root}/bin/KivoCameraSim.exe)
    execute_process(COMMAND ${wine_run} ${root}/bin/KivoCameraSim.exe /UnregServer)
endif()
execute_process(COMMAND ${wine_run} ${BUILD_DIR}/bin/KivoCameraSim.exe /RegServer RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    string(APPEND failure "\nregistering the build tree's simulator again failed (${result})")
endif()
read_registration(registration_after)
if(NOT registration_after STREQUAL registration_before)
    string(APPEND failure "\nthe simulator's registration differs from before the test:\n"
                          "before:\n${registration_before}\nafter:\n${registration_after}")
endif()

if(NOT failure STREQUAL "")
    message(FATAL_ERROR "${failure}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
