# Cross toolchain: 64-bit Windows through mingw-w64 with the posix thread model
# (Debian: g++-mingw-w64-x86-64-posix). The project builds with it from cmake/,
# and the package installs it in share/KivoClient/ for applications:
#   cmake -DCMAKE_TOOLCHAIN_FILE=<package>/share/KivoClient/toolchain-mingw64.cmake
#         -DCMAKE_PREFIX_PATH=<package> ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KIVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${KIVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${KIVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KIVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs built with it run under Wine (add_test, ctest) through the runner
# beside this file: a private prefix, a display of its own, the package's
# camera simulator registered. The project's own build runs its tests in the
# build tree's prefix instead (see the top-level CMakeLists.txt).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/kivo-wine-run.sh")
