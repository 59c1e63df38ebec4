#!/usr/bin/env bash
# Starts a Windows build of the demo under Wine on the current X display,
# in a Wine virtual desktop of the program's size (display modes need one).
#   run-windows-demo.sh [320|640] [win32|win64]
# Build it first: cmake --preset windows-i686 && cmake --build --preset windows-i686
# (or the windows-x86_64 preset for win64).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh

variant=${1:-320}
case "$variant" in
  320) size=320x240 ;;
  640) size=640x480 ;;
  *) echo "usage: run-windows-demo.sh [320|640] [win32|win64]" >&2; exit 2 ;;
esac
case "${2:-win32}" in
  win32) build=build/windows-i686 ;;
  win64) build=build/windows-x86_64 ;;
  *) echo "usage: run-windows-demo.sh [320|640] [win32|win64]" >&2; exit 2 ;;
esac
export OMBRITH_WINE_ARCH=${2:-win32}
program=$build/programs/ombrith$variant.exe
[ -f "$program" ] || { echo "no $program: build its preset first" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || { echo "no X display (DISPLAY is not set)" >&2; exit 2; }

prefix=$PWD/$build/wine/desktop
status=0
wine_env_desktop "$prefix" "$size" || status=$?
[ $status -eq 0 ] || { echo "Wine could not be prepared (status $status)" >&2; exit 2; }
wine_env_wine "$program" || status=$?
wine_env_stop "$prefix"
echo "ombrith$variant.exe ended with status $status"
exit $status
