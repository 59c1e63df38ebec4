#!/usr/bin/env bash
# Starts the Windows build of the demo under Wine on the current X display,
# in a Wine virtual desktop of the program's size (display modes need one).
#   run-windows-demo.sh [320|640]
# Build it first: cmake --preset windows-i686 && cmake --build --preset windows-i686
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh

variant=${1:-320}
case "$variant" in
  320) size=320x240 ;;
  640) size=640x480 ;;
  *) echo "usage: run-windows-demo.sh [320|640]" >&2; exit 2 ;;
esac
program=build/windows-i686/programs/ombrith$variant.exe
[ -f "$program" ] || { echo "no $program: build the windows-i686 preset first" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || { echo "no X display (DISPLAY is not set)" >&2; exit 2; }

prefix=$PWD/build/windows-i686/wine/desktop
wine_env_desktop "$prefix" "$size"
status=0
wine "$program" || status=$?
wine_env_stop "$prefix"
echo "ombrith$variant.exe ended with status $status"
exit $status
