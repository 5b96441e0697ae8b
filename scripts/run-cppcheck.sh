#!/usr/bin/env bash
# Static analysis of the library, the MFC stand-in and the tools. Every finding
# either is fixed or has its reason in cmake/cppcheck/suppressions.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v cppcheck >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo; $sudo apt-get install -y -qq cppcheck; }
cppcheck --library=windows --library=mfc --library=cmake/cppcheck/kivo.cfg \
    --enable=warning,performance,portability --std=c++17 --inline-suppr --quiet \
    -D_WIN32 -D_WIN64 -DUNICODE -D_UNICODE -I include -I src/common -I src/client -I src/camera -I src/live -I src/render -I tools/common -I compat/mfc/include \
    --suppressions-list=cmake/cppcheck/suppressions.txt \
    --template='{file}:{line}: {severity}: {id}: {message}' \
    --error-exitcode=1 \
    $(for d in src compat/mfc/src tools examples bench; do [ -d "$d" ] && echo "$d"; done)
echo "cppcheck: no findings"
