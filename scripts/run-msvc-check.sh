#!/usr/bin/env bash
# The MSVC-mode compile check: the same CMake project configured with clang-cl
# as Microsoft's compiler (cmake/toolchain-msvc-check.cmake) against the MFC
# stand-in, and every source of the library, the examples, the tools, the
# benchmark and the guide's snippets compiled at /W4 with warnings as errors.
# Compile only: nothing can link without Microsoft's runtime libraries.
# Build tree: $KIVO_MSVC_BUILD_DIR, else ./build-msvc (or $KIVO_BUILD_DIR-msvc).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KIVO_MSVC_BUILD_DIR:-${KIVO_BUILD_DIR:-$root/build}-msvc}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-msvc-check.cmake" \
      -DCMAKE_BUILD_TYPE=Debug -DKIVO_MFC_STANDIN=ON -DKIVO_BUILD_TESTS=OFF \
      -DKIVO_WARNINGS_AS_ERRORS=ON >/dev/null
# Every object file and compiled resource the project has, and what generates
# their inputs (the camera interface); no library and no program. The
# stand-in's own sources are left out: Visual Studio users build against
# Microsoft's MFC, and its headers are system headers to our code here too.
mapfile -t objects < <(ninja -C "$build" -t targets all | sed -n -E 's/^([^:]+\.(obj|res)): .*/\1/p' |
                       grep -v '^compat/mfc/')
[ ${#objects[@]} -gt 0 ] || { echo "no object files found" >&2; exit 1; }
echo "compiling ${#objects[@]} files in MSVC mode"
ninja -C "$build" -j 2 "$@" "${objects[@]}"
echo "MSVC-mode compile: ${#objects[@]} files, no warnings"
