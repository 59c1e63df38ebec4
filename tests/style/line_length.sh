#!/usr/bin/env bash
# No line of the C++, JavaScript, Python or shell sources is longer than 120
# columns (the house style wraps at 100; .clang-format keeps it). Lists every
# line over the limit.
#   line_length.sh SOURCE_DIR
set -euo pipefail
limit=120
cd "$1"
long=$(find . \( -path ./build -o -path '*/node_modules' -o -path ./.git \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' -o -name '*.mjs' -o -name '*.js' \
     -o -name '*.py' -o -name '*.sh' \) -print0 |
  xargs -0 awk -v limit=$limit 'length > limit {print FILENAME ":" FNR ": " length " columns"}')
if [ -n "$long" ]; then
  echo "FAIL: lines longer than $limit columns:" >&2
  echo "$long" >&2
  exit 1
fi
echo "no line longer than $limit columns"
