#!/usr/bin/env bash
# The browser's whole 640x480 frame under node against the native fast whole
# frame (bench_effect, one run each), and their ratio; then the gzip size of
# each variant's .js + .wasm in the site.
set -euo pipefail
cd "$(dirname "$0")/.."
# Google Benchmark's table: name, time, unit, CPU, unit, iterations.
read -r native native_cpu < <(build/release/bench/bench_effect --benchmark_color=false \
  --benchmark_filter='^whole_frame_fast/640$' 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' |
  awk '$1 == "whole_frame_fast/640" {print $2, $4; exit}')
line=$(node --no-experimental-fetch build/web/bench/bench_web_frame.js)
read -r wasm wasm_cpu < <(echo "$line" | awk '{print $2, $7}')
echo "native whole_frame_fast/640: $native us per frame, CPU $native_cpu us"
echo "$line"
awk -v w="$wasm" -v n="$native" -v wc="$wasm_cpu" -v nc="$native_cpu" \
  'BEGIN {printf "wasm / native: %.2f (wall clock), %.2f (CPU)\n", w / n, wc / nc}'
for v in 320 640; do
  size=$(cat build/web/site/ombrith$v.js build/web/site/ombrith$v.wasm | gzip -9 | wc -c)
  echo "ombrith$v.js + .wasm gzipped: $size bytes"
done
