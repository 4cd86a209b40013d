#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest (CMAKE_CROSSCOMPILING_EMULATOR
# of the Windows build): no debug channels, the caller's WINEPREFIX, and the
# program's CR LF line ends written as LF, which CTest and the GoogleTest
# listing read.
set -o pipefail
export WINEDEBUG=-all
wine=${WINE:-/usr/lib/wine/wine64}
# Wine's server and services start with the first program of a prefix and
# outlive the last by seconds. Started here, away from CTest's pipes, they
# neither hold a test's output open after it ends nor restart for each test.
if wineserver -p10 </dev/null >/dev/null 2>&1; then
  "$wine" wineboot </dev/null >/dev/null 2>&1
fi
"$wine" "$@" | sed -u 's/\r$//'
