#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix and passes its exit
# status through. Used as the cross build's test emulator.
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
command -v wine >/dev/null || { echo "wine-run: wine is not installed" >&2; exit 2; }

wine_env_prepare "$prefix"
# Unit tests need no display; keep Wine from opening one.
if [ -z "${OMBRITH_WINE_DISPLAY:-}" ]; then
  unset DISPLAY
fi
exec wine "$@"
