# ctest script: installs the build tree into a fresh prefix, configures and
# builds tests/package/consumer against it through find_package, copies the
# program beside the installed DLLs and runs it there under Wine. It must
# connect, print the server state, and catch error 6 thrown in KivoClient.dll.
#   -D BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE GENERATOR BUILD_TYPE
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE GENERATOR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/consumer-build)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Runs a command; stops the test with its output when it fails. Its stderr is
# shown in any case (Wine's diagnostics in the heap-checked run land there).
function(run_step name)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT err STREQUAL "" AND result EQUAL 0)
        message(STATUS "${name}, stderr:\n${err}")
    endif()
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${name} failed (${result}):\n${out}\n${err}")
    endif()
    set(step_output "${out}" PARENT_SCOPE)
endfunction()

run_step("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

run_step("configuring the consumer" ${CMAKE_COMMAND}
    -S ${SOURCE_DIR}/tests/package/consumer -B ${consumer_build} -G ${GENERATOR}
    -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/toolchain-mingw64.cmake
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${prefix})
# The package must come from the prefix, not from the build tree or elsewhere.
file(STRINGS ${consumer_build}/CMakeCache.txt package_dir REGEX "^KivoClient_DIR:")
if(NOT package_dir STREQUAL "KivoClient_DIR:PATH=${prefix}/lib/cmake/KivoClient")
    message(FATAL_ERROR "the consumer found the package elsewhere: ${package_dir}")
endif()
run_step("building the consumer" ${CMAKE_COMMAND} --build ${consumer_build})

# Deployed as the README says: beside KivoClient.dll and KivoMfc.dll.
file(COPY ${consumer_build}/app.exe DESTINATION ${prefix}/bin)
run_step("running the consumer" ${SOURCE_DIR}/cmake/wine-run.sh ${WINE_STATE} ${prefix}/bin/app.exe)
message(STATUS "consumer output:\n${step_output}")
if(NOT step_output MATCHES "server state [0-5]\r?\n")
    message(FATAL_ERROR "the consumer printed no server state")
endif()
if(NOT step_output MATCHES "caught CKIVOClientException 6: 6 : CS ERROR : AllocPicture")
    message(FATAL_ERROR "the consumer did not catch error 6 from AllocPicture")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
