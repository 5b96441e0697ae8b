#!/usr/bin/env bash
# The layout check: every C and C++ source of the tree as .clang-format lays it
# out. Reformat with: git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format-14 -i
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format-14 --dry-run --Werror "${sources[@]}"
echo "layout: ${#sources[@]} files as .clang-format lays them out"
