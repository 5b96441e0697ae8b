#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
# fonts-wine: Wine's own fonts, a recommendation of wine64 that --no-install-recommends
# leaves out; cmake/wine-env.sh puts them into the Wine prefix. Without them Wine draws
# with whatever the machine's fontconfig offers, so text takes other room on every
# machine: the demo draws with their Tahoma, and a DC's default font (the library's
# frame rate and messages) is their System.
# clang-tools-14, lld-14, llvm-14, ninja-build: the MSVC-mode compile check
# (clang-cl, lld-link, llvm-lib, llvm-rc; scripts/run-msvc-check.sh);
# python3-clang-14: the test of the MFC stand-in's names (tests/mfc/standin);
# clang-format-14: the layout check (scripts/run-format-check.sh).
packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev wine64
          fonts-wine xvfb xauth googletest python3 cppcheck
          clang-tools-14 lld-14 llvm-14 ninja-build python3-clang-14 clang-format-14)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
