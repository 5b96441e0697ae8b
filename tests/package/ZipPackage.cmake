# ctest script: what an application developer does with nothing but the binary
# ZIP and Debian's packages. Makes the ZIP with cpack, unpacks it into a fresh
# folder (a path with a space, far from the build tree), checks its content and
# that its programs import only system DLLs and ours; configures and builds
# tests/package/consumer (its own WINVER, -Werror) and the package's
# docs/snippets with the package's toolchain file; runs the consumer and the
# unpacked kivo-grab.exe through the package's Wine runner in a prefix of the
# work folder. That prefix is new, so the only camera server registered in it
# is the unpacked simulator the runner registers; the build tree's Wine prefix
# is never touched. After each run no process of that prefix (wineserver,
# Xvfb, programs) may be left.
#   -D BUILD_DIR SOURCE_DIR WORK_DIR CPACK OBJDUMP WINE_DLL_DIR GENERATOR BUILD_TYPE
#      [EXTRA_PROGRAMS=a.exe,b.exe]  more programs expected in bin/
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR CPACK OBJDUMP WINE_DLL_DIR GENERATOR BUILD_TYPE)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

set(wine_dir ${WORK_DIR}/wine)
set(consumer_build ${WORK_DIR}/consumer-build)
set(snippets_build ${WORK_DIR}/snippets-build)

# Runs a command and keeps its output and error output; stops the test when
# the exit code is not `expected_result`. The error output is shown in any case
# (Wine's diagnostics in the heap-checked run land there).
function(run_step name expected_result)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result STREQUAL "${expected_result}")
        message(FATAL_ERROR "${name}: exit code ${result}, expected ${expected_result}:\n${out}\n${err}")
    endif()
    if(NOT err STREQUAL "")
        message(STATUS "${name}, stderr:\n${err}")
    endif()
    set(step_output "${out}" PARENT_SCOPE)
    set(step_error "${err}" PARENT_SCOPE)
endfunction()

# Fails when a process of the work folder's Wine prefix still runs once the
# runner has returned: every process the runner starts (wineserver, Xvfb, the
# program) carries that prefix in its environment. Xvfb may take a moment to
# end after its signal, so this waits up to 30 s for them to go.
function(expect_no_processes_left after)
    foreach(attempt RANGE 300)
        execute_process(COMMAND sh -c "grep -lszxF \"WINEPREFIX=$1\" /proc/[0-9]*/environ" sh
                                "${wine_dir}/prefix"
                        OUTPUT_VARIABLE environs)
        if(environs STREQUAL "")
            return()
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
    endforeach()
    string(REPLACE "/environ" "/cmdline" cmdlines "${environs}")
    string(REPLACE "\n" ";" cmdlines "${cmdlines}")
    execute_process(COMMAND sh -c "for f; do tr '\\0' ' ' <\"$f\"; echo; done" sh ${cmdlines}
                    OUTPUT_VARIABLE left)
    message(FATAL_ERROR "after ${after} processes of the runner's prefix still run:\n${left}")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY "${WORK_DIR}/unpacked here")

# The ZIP goes to the work folder; the build tree gains nothing.
run_step("cpack" 0 ${CPACK} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/cpack)
file(GLOB zips ${WORK_DIR}/cpack/*.zip)
list(LENGTH zips zip_count)
if(NOT zip_count EQUAL 1)
    message(FATAL_ERROR "cpack made ${zip_count} ZIP files, not one")
endif()
run_step("unpacking" 0 ${CMAKE_COMMAND} -E chdir "${WORK_DIR}/unpacked here" ${CMAKE_COMMAND} -E tar xf ${zips})
file(GLOB root LIST_DIRECTORIES true "${WORK_DIR}/unpacked here/*")
list(LENGTH root root_count)
if(NOT root_count EQUAL 1 OR NOT IS_DIRECTORY "${root}")
    message(FATAL_ERROR "the ZIP holds ${root_count} entries at the top, not one folder")
endif()
set(runner "${root}/share/KivoClient/kivo-wine-run.sh")
set(toolchain "${root}/share/KivoClient/toolchain-mingw64.cmake")

# What an application developer needs, and the programs.
set(expected
    README.md
    bin/KivoClient.dll bin/KivoMfc.dll bin/KivoCameraSim.exe bin/kivo-grab.exe bin/KivoConsoleSample.exe
    include/KivoClient.h include/KivoClientException.h include/KivoClientPaintDC.h
    include/KivoClientMaskPaintDC.h include/KivoCamera.h
    include/KivoClientDetail/KivoClientThread.h include/KivoClientDetail/KivoClientDetail.txt
    include/mfc/afxwin.h
    lib/KivoClient.dll.a lib/KivoMfc.dll.a lib/libKivoCameraInterface.a lib/KivoCamera.tlb
    lib/cmake/KivoClient/KivoClientConfig.cmake lib/cmake/KivoClient/KivoClientConfigVersion.cmake
    lib/cmake/KivoClient/KivoClientTargets.cmake
    share/KivoClient/toolchain-mingw64.cmake share/KivoClient/kivo-wine-run.sh
    share/KivoClient/wine-env.sh share/KivoClient/wine-run.sh docs/camera-simulator.md)
if(EXTRA_PROGRAMS)
    string(REPLACE "," ";" extra_programs "${EXTRA_PROGRAMS}")
    list(TRANSFORM extra_programs PREPEND bin/)
    list(APPEND expected ${extra_programs})
endif()
foreach(folder docs examples)
    file(GLOB_RECURSE folder_files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*)
    list(APPEND expected ${folder_files})
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${root}/${file}")
        message(FATAL_ERROR "the ZIP lacks ${file}")
    endif()
endforeach()
# Beside the MFC headers, include/ holds the five headers an application
# includes and nothing else; the rest is in KivoClientDetail/.
file(GLOB top_headers RELATIVE "${root}/include" "${root}/include/*.h")
list(SORT top_headers)
set(public_headers KivoCamera.h KivoClient.h KivoClientException.h KivoClientMaskPaintDC.h KivoClientPaintDC.h)
if(NOT top_headers STREQUAL public_headers)
    message(FATAL_ERROR "include/ holds ${top_headers}, not ${public_headers}")
endif()

# Every DLL a program or DLL of bin/ imports is in bin/ or is a system DLL.
file(GLOB binaries "${root}/bin/*.exe" "${root}/bin/*.dll")
file(GLOB shipped RELATIVE "${root}/bin" "${root}/bin/*.dll")
string(TOLOWER "${shipped}" shipped)
foreach(binary IN LISTS binaries)
    run_step("objdump ${binary}" 0 ${OBJDUMP} -p ${binary})
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${step_output}")
    foreach(import IN LISTS imports)
        string(REPLACE "DLL Name: " "" dll "${import}")
        string(TOLOWER "${dll}" dll)
        if(NOT dll IN_LIST shipped AND NOT EXISTS "${WINE_DLL_DIR}/${dll}")
            message(FATAL_ERROR "${binary} imports ${dll}, which is neither in bin/ nor a system DLL")
        endif()
    endforeach()
endforeach()

# An application, the guide's snippets and the examples, configured as the
# guide says. The environment of this test (the build tree's CMake variables)
# must not leak in.
foreach(project consumer snippets examples)
    if(project STREQUAL "consumer")
        set(source ${SOURCE_DIR}/tests/package/consumer)
    elseif(project STREQUAL "snippets")
        set(source "${root}/docs/snippets")
    else()
        set(source "${root}/examples")
    endif()
    run_step("configuring the ${project}" 0 ${CMAKE_COMMAND}
        -S ${source} -B ${WORK_DIR}/${project}-build -G ${GENERATOR}
        "-DCMAKE_TOOLCHAIN_FILE=${toolchain}"
        "-DCMAKE_PREFIX_PATH=${root}"
        -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
    file(STRINGS ${WORK_DIR}/${project}-build/CMakeCache.txt package_dir REGEX "^KivoClient_DIR:")
    if(NOT package_dir STREQUAL "KivoClient_DIR:PATH=${root}/lib/cmake/KivoClient")
        message(FATAL_ERROR "the ${project} found the package elsewhere: ${package_dir}")
    endif()
    run_step("building the ${project}" 0 ${CMAKE_COMMAND} --build ${WORK_DIR}/${project}-build)
    if("${step_output}${step_error}" MATCHES "warning")
        message(FATAL_ERROR "building the ${project} warned:\n${step_output}\n${step_error}")
    endif()
endforeach()

# The consumer's add_test runs through the toolchain's emulator: the package's runner.
run_step("listing the consumer's tests" 0 ${CMAKE_CTEST_COMMAND} --test-dir ${consumer_build}
         --show-only=json-v1)
string(JSON emulator GET "${step_output}" tests 0 command 0)
if(NOT emulator STREQUAL runner)
    message(FATAL_ERROR "the consumer's test runs through '${emulator}', not '${runner}'")
endif()

run_step("running the consumer" 0 "${runner}" --wine-dir ${wine_dir} ${consumer_build}/app.exe)
message(STATUS "consumer output:\n${step_output}")
if(NOT step_output MATCHES "^connected\r?\nserver state [0-5]\r?\ncaught CKIVOClientException 6: 6 : CS ERROR : AllocPicture\r?\n$")
    message(FATAL_ERROR "the consumer printed something else")
endif()
if(NOT EXISTS ${wine_dir}/prefix/drive_c/windows/Fonts/tahoma.ttf)
    message(FATAL_ERROR "the runner's prefix lacks Wine's fonts")
endif()
expect_no_processes_left("the consumer")

# The guide's session, built from the ZIP's docs/snippets: it prints the
# picture width from its second thread and ends without a camera error.
file(GLOB package_dlls "${root}/bin/*.dll")
file(COPY ${package_dlls} DESTINATION ${snippets_build})
run_step("running the guide's session" 0 "${runner}" --wine-dir ${wine_dir} ${snippets_build}/KivoGuideSession.exe)
if(NOT step_output MATCHES "^picture width 640\r?\n$")
    message(FATAL_ERROR "the guide's session printed something else:\n${step_output}")
endif()
expect_no_processes_left("the guide's session")

# The examples from the ZIP, with the package's DLLs beside them as an
# application ships them: the console sample against the simulator, the demo
# for two seconds of live picture and with --help.
file(COPY ${package_dlls} DESTINATION ${WORK_DIR}/examples-build/console-sample)
file(COPY ${package_dlls} DESTINATION ${WORK_DIR}/examples-build/live-demo)
run_step("running the console sample" 0 "${runner}" --wine-dir ${wine_dir}
         ${WORK_DIR}/examples-build/console-sample/KivoConsoleSample.exe)
message(STATUS "console sample output:\n${step_output}")
if(NOT step_output MATCHES "^connected; camera opened\r?\nproperties:\r?\n.*second thread [0-9]+: camera opened, pictures 640 x 480\r?\nclosed; camera closed\r?\n$")
    message(FATAL_ERROR "the console sample printed something else")
endif()
expect_no_processes_left("the console sample")
run_step("running the demo" 0 "${runner}" --wine-dir ${wine_dir}
         ${WORK_DIR}/examples-build/live-demo/KivoLiveDemo.exe --seconds 2)
if(NOT step_output MATCHES "frames shown [1-9][0-9]*, frame rate [0-9.]+ fps")
    message(FATAL_ERROR "the demo showed no live picture:\n${step_output}")
endif()
run_step("the demo's --help" 0 "${runner}" --wine-dir ${wine_dir}
         ${WORK_DIR}/examples-build/live-demo/KivoLiveDemo.exe --help)
if(NOT step_output MATCHES "usage: KivoLiveDemo.exe .*--seconds N.*--help")
    message(FATAL_ERROR "the demo's --help printed something else:\n${step_output}")
endif()
expect_no_processes_left("the demo")

# The runner hands back the program's exit code and error output; the folder
# comes from KIVO_WINE_DIR as well, as when CMake runs a test through it.
set(ENV{KIVO_WINE_DIR} ${wine_dir})
string(REPLACE "/" "\\" missing_table "Z:${WORK_DIR}/no-such-table.txt")
run_step("kivo-grab.exe from the ZIP with a missing table file" 3
         "${runner}" "${root}/bin/kivo-grab.exe" table measure set ${missing_table})
if(NOT step_error MATCHES "no-such-table.txt")
    message(FATAL_ERROR "kivo-grab did not name the missing file:\n${step_error}")
endif()
expect_no_processes_left("kivo-grab")

file(REMOVE_RECURSE ${WORK_DIR})
