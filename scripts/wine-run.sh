#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix and passes its exit
# status through. Used as the cross builds' test emulator. OMBRITH_WINE_ARCH
# (win32 or win64, see wine-env.sh) chooses the Wine; status 77 means 32-bit
# Wine cannot run here and the program was not started.
#   wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

prefix=${OMBRITH_WINEPREFIX:-$PWD/wine/unit}
if [ "${1:-}" = "--prefix" ]; then
  prefix=$2
  shift 2
fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]" >&2; exit 2; }
status=0
wine_env_prepare "$prefix" || status=$?
[ $status -eq 0 ] || exit $status
# Unit tests need no display; keep Wine from opening one.
if [ -z "${OMBRITH_WINE_DISPLAY:-}" ]; then
  unset DISPLAY
fi
exec "$(wine_env_loader)" "$@"
