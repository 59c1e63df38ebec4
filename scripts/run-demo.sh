#!/usr/bin/env bash
# Shows the effect: renders the set-up picture and a few frames with the
# render tool and says where the files are.
set -euo pipefail
cd "$(dirname "$0")/.."
out=out/render
mkdir -p "$out"
build/release/programs/ombrith-render --variant 640 --picture --time 2 --time 7.5 --out "$out"
echo "The PNG files above are in $out/."
