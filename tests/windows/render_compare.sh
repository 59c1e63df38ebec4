#!/usr/bin/env bash
# The render tool of the Linux build and that of the Windows build (under
# Wine) write byte-identical PNG files for the same seeds and clock readings:
# the set-up picture and animated frames of both variants, one of them
# scaled; and the same scaled 4:2:0 video.
#   render_compare.sh LINUX_RENDER WINDOWS_RENDER.exe WINE_PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
linux_render=$1 windows_render=$2 prefix=$3

[ -x "$linux_render" ] || {
  echo "FAIL: no Linux render tool at $linux_render (build the release preset first)" >&2
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-render-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"

runs=(
  "--variant 640 --seed 1 --picture --time 2 --time 7.5"
  "--variant 320 --seed 12345 --picture --from 3 --frames 4 --fps 60"
  "--variant 320 --seed -7 --time 0 --time 1000.25"
  "--variant 640 --seed 86399 --from 40000 --frames 2 --fps 30"
  "--variant 320 --seed 99 --time 5 --scale 3"
)
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086
  "$linux_render" $run --out "$work/linux" >/dev/null
  # shellcheck disable=SC2086
  (cd "$work" && "$repo/scripts/wine-run.sh" --prefix "$prefix" "$windows_render" $run --out windows >/dev/null)
done

status=0
count=0
for file in "$work"/linux/*.png; do
  name=$(basename "$file")
  count=$((count + 1))
  if [ ! -f "$work/windows/$name" ]; then
    echo "FAIL: the Windows build wrote no $name" >&2
    status=1
  elif ! cmp -s "$file" "$work/windows/$name"; then
    differing=$(compare -metric AE "$file" "$work/windows/$name" null: 2>&1 || true)
    echo "FAIL: $name differs ($differing pixels differ)" >&2
    status=1
  fi
done
extra=$(ls "$work/windows" | wc -l)
[ "$extra" -eq "$count" ] || { echo "FAIL: $extra Windows files for $count Linux files" >&2; status=1; }
[ "$count" -ge 12 ] || { echo "FAIL: only $count files were rendered" >&2; status=1; }

# NUL, the Windows way to throw output away, takes a capture as /dev/null does.
for capture in --apng --video; do
  (cd "$work/windows" && "$repo/scripts/wine-run.sh" --prefix "$prefix" "$windows_render" \
    --variant 320 --seed 1 --from 0 --frames 2 --fps 9 $capture NUL >/dev/null) ||
    { echo "FAIL: the Windows render tool cannot write $capture NUL" >&2; status=1; }
done

# Rendering again into the same folder replaces the files.
(cd "$work" && "$repo/scripts/wine-run.sh" --prefix "$prefix" "$windows_render" \
  --variant 640 --seed 1 --picture --out windows >/dev/null) ||
  { echo "FAIL: the Windows render tool cannot replace an existing file" >&2; status=1; }
cmp -s "$work/linux/ombrith640-seed1-picture.png" "$work/windows/ombrith640-seed1-picture.png" ||
  { echo "FAIL: the replaced file differs" >&2; status=1; }
[ -z "$(ls "$work/windows" | grep -v '\.png$')" ] || { echo "FAIL: partial files left behind" >&2; status=1; }

video="--variant 320 --seed 3 --from 1 --frames 2 --fps 30 --scale 2 --chroma 420 --video"
# shellcheck disable=SC2086
"$linux_render" $video "$work/linux.y4m" >/dev/null
# shellcheck disable=SC2086
(cd "$work" && "$repo/scripts/wine-run.sh" --prefix "$prefix" "$windows_render" $video windows.y4m >/dev/null)
cmp -s "$work/linux.y4m" "$work/windows.y4m" ||
  { echo "FAIL: the scaled 4:2:0 videos differ" >&2; status=1; }

[ $status -eq 0 ] && echo "$count PNG files and a video byte-identical between the Linux and the Windows build"
exit $status
