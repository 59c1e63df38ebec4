#!/usr/bin/env bash
# The render tool of the x86-64 build and that of the arm64 build (under
# qemu) write byte-identical files for the same options: PNG files of the
# set-up picture and of frames, an animated PNG and a video stream.
#   render_compare.sh X86_64_RENDER ARM64_RENDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
x86_render=$1 arm64_render=$2

[ -x "$x86_render" ] || {
  echo "FAIL: no x86-64 render tool at $x86_render (build the release preset first)" >&2
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-arm64-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/x86_64" "$work/arm64"

# Each run: the options, then what it writes (--out DIR, --apng FILE or
# --video FILE, filled in for each side).
runs=(
  "--variant 640 --seed 1 --picture --time 2 --time 7.5|out"
  "--variant 320 --seed 12345 --picture --from 3 --frames 4 --fps 60|out"
  "--variant 320 --seed -7 --time 0 --time 1000.25|out"
  "--variant 640 --seed 86399 --from 40000 --frames 2 --fps 30|out"
  "--variant 320 --seed 7 --from 20 --frames 12 --fps 12|apng"
  "--variant 640 --seed 3 --from 5.5 --frames 3 --fps 24|video"
)
n=0
for entry in "${runs[@]}"; do
  options=${entry%|*} kind=${entry#*|}
  n=$((n + 1))
  for side in x86_64 arm64; do
    case $kind in
      out) target=(--out "$work/$side") ;;
      apng) target=(--apng "$work/$side/capture$n.png") ;;
      video) target=(--video "$work/$side/capture$n.y4m") ;;
    esac
    if [ "$side" = x86_64 ]; then
      # shellcheck disable=SC2086
      "$x86_render" $options "${target[@]}" >/dev/null
    else
      # shellcheck disable=SC2086
      "$repo/scripts/qemu-arm64.sh" "$arm64_render" $options "${target[@]}" >/dev/null
    fi
  done
done

status=0
count=0
for file in "$work"/x86_64/*; do
  name=$(basename "$file")
  count=$((count + 1))
  if [ ! -f "$work/arm64/$name" ]; then
    echo "FAIL: the arm64 build wrote no $name" >&2
    status=1
  elif ! cmp "$file" "$work/arm64/$name" >&2; then
    echo "FAIL: $name differs" >&2
    status=1
  fi
done
others=$(ls "$work/arm64" | wc -l)
[ "$others" -eq "$count" ] || { echo "FAIL: $others arm64 files for $count x86-64 files" >&2; status=1; }
[ "$count" -ge 14 ] || { echo "FAIL: only $count files were written" >&2; status=1; }

[ $status -eq 0 ] &&
  echo "$count files (PNG, animated PNG, video) byte-identical between the x86-64 and the arm64 build"
exit $status
