# The MSVC-mode compile check (scripts/run-msvc-check.sh): clang-cl compiles
# as Microsoft's compiler for 64-bit Windows does (CMake sets MSVC, so the
# project's Visual Studio branches run), against mingw-w64's Windows headers
# and C++ library headers, since Debian has neither the Windows SDK nor
# Microsoft's C++ library. Nothing links here: there is no MSVC runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER clang-cl-14)
set(CMAKE_CXX_COMPILER clang-cl-14)
set(CMAKE_RC_COMPILER llvm-rc-14)
set(CMAKE_AR llvm-lib-14)
set(CMAKE_LINKER lld-link-14)
set(CMAKE_MT llvm-mt-14)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(KIVO_MINGW_INCLUDE /usr/share/mingw-w64/include)
file(GLOB KIVO_MINGW_CXX_INCLUDE /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++)
list(GET KIVO_MINGW_CXX_INCLUDE 0 KIVO_MINGW_CXX_INCLUDE)
# /imsvc: system headers, whose own warnings are not ours. The prelude gives
# what those headers expect of GCC.
# -Wsuggest-override: every override says so, as code analysis asks of it
# with Visual Studio.
set(kivo_flags "--target=x86_64-pc-windows-msvc -Wsuggest-override"
    "/FI ${CMAKE_CURRENT_LIST_DIR}/msvc-check-prelude.h"
    "/imsvc ${KIVO_MINGW_CXX_INCLUDE}"
    "/imsvc ${KIVO_MINGW_CXX_INCLUDE}/x86_64-w64-mingw32"
    "/imsvc ${KIVO_MINGW_INCLUDE}")
string(JOIN " " kivo_flags ${kivo_flags})
set(CMAKE_C_FLAGS_INIT "${kivo_flags}")
set(CMAKE_CXX_FLAGS_INIT "${kivo_flags}")
set(CMAKE_RC_FLAGS_INIT "/I ${KIVO_MINGW_INCLUDE}")
