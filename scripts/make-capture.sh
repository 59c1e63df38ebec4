#!/usr/bin/env bash
# Makes the README's picture, docs/ombrith320.png: a few seconds of
# ombrith320 as a looping animated PNG, rendered with ombrith-render --apng.
# Re-runnable; builds the render tool first when it is missing.
#   scripts/make-capture.sh [RENDER_TOOL]
set -euo pipefail
cd "$(dirname "$0")/.."
render=${1:-build/release/programs/ombrith-render}
if [ ! -x "$render" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" --target ombrith-render
fi

# 3 s at 12 frames a second from the clock reading 20 s; a fixed seed, so
# the same picture every time.
out=docs/ombrith320.png
limit=$((2 * 1024 * 1024))
mkdir -p docs
"$render" --variant 320 --seed 7 --from 20 --frames 36 --fps 12 --apng "$out" >/dev/null
size=$(stat -c %s "$out")
if [ "$size" -ge "$limit" ]; then
  echo "make-capture: $out is $size bytes, over the 2 MB a README picture may take" >&2
  exit 1
fi
echo "$out: $size bytes"
