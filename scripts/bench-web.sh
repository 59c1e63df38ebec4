#!/usr/bin/env bash
# The browser's whole 640x480 frame under node against the native fast whole
# frame (bench_effect, one run each), and their ratio; then the gzip size of
# each variant's .js + .wasm in the site.
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(build/release/bench/bench_effect --benchmark_filter='^whole_frame_fast/640$' \
  --benchmark_format=csv 2>/dev/null | awk -F, '/whole_frame_fast\/640/ {print $4 / 1000}')
line=$(node --no-experimental-fetch build/web/bench/bench_web_frame.js)
wasm=$(echo "$line" | awk '{print $2}')
echo "native whole_frame_fast/640: $native us per frame"
echo "$line"
awk -v w="$wasm" -v n="$native" 'BEGIN {printf "wasm / native: %.2f\n", w / n}'
for v in 320 640; do
  size=$(cat build/web/site/ombrith$v.js build/web/site/ombrith$v.wasm | gzip -9 | wc -c)
  echo "ombrith$v.js + .wasm gzipped: $size bytes"
done
