#!/usr/bin/env bash
# Starts the demo at 320x240 full screen on this machine's display. Without a
# display it says so and renders a few frames to PNG files with the render
# tool instead.
set -uo pipefail
cd "$(dirname "$0")/.."
programs=build/release/programs

render_instead() {
  local out=out/render
  mkdir -p "$out"
  echo "Rendering the set-up picture and two frames with ombrith-render instead:"
  "$programs/ombrith-render" --variant 640 --picture --time 2 --time 7.5 --out "$out" || exit 1
  echo "The PNG files are in $out/."
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display on this machine (neither DISPLAY nor WAYLAND_DISPLAY is set),"
  echo "so the demo cannot be shown here."
  render_instead
  exit 0
fi

echo "Starting ombrith320 full screen; press Escape to end it."
echo "The 640x480 version: $programs/ombrith640"
"$programs/ombrith320"
status=$?
if [ "$status" -eq 255 ]; then
  echo "ombrith320 could not take over the display (${DISPLAY:-${WAYLAND_DISPLAY:-}})."
  render_instead
  exit 0
fi
exit "$status"
