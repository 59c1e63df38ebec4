#!/usr/bin/env bash
# Configures and builds one preset's tree while holding that tree's lock
# (build/.PRESET.lock), so that two builds of the same folder (two make
# targets at once, two test lanes, a package check's CPack) wait for each
# other instead of writing the same files.
#   build-preset.sh PRESET [cmake --build options, e.g. --target NAME...]
# JOBS sets the parallel jobs (default: the number of processors).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=$1
shift
mkdir -p "$root/build"
exec 9>"$root/build/.$preset.lock"
flock 9
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "${JOBS:-$(nproc 2>/dev/null || echo 2)}" "$@"
