#!/usr/bin/env bash
# The differential program's --dump writes the item asked for and ends with
# status 0: a set-up's picture with a frame after it, and that frame.
#   dump_check.sh WEB_DIFFERENTIAL
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" 320 1 0 --dump 0 "$work/alone"
"$program" 320 1 1 --dump 0 "$work/picture"
"$program" 320 1 1 --dump 1 "$work/frame"
cmp "$work/alone" "$work/picture"
if cmp -s "$work/picture" "$work/frame"; then
  echo "the frame's dump is the picture" >&2
  exit 1
fi
echo "picture and frame dumped as themselves"
