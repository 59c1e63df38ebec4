#!/usr/bin/env bash
# Frames per second of ombrith320 and ombrith640 on a private Xvfb, and where
# the time of a frame goes. Each program runs for SECONDS (default 10) after
# its first frame, then Escape ends it.
#   scripts/measure-fps.sh [SECONDS] [SCREEN]      SCREEN e.g. 1280x1024x24
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
screen=${2:-1280x1024x24}
build=build/release
probe=$build/bench/libfps_probe.so
for f in "$build/programs/ombrith320" "$build/programs/ombrith640" "$probe"; do
  [ -e "$f" ] || { echo "missing $f: build the release preset first" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

echo "Xvfb screen $screen, $(nproc) processors, ${seconds} s per program"
for program in ombrith320 ombrith640; do
  report=$work/$program.txt
  OMBRITH_FPS_REPORT=$report LD_PRELOAD=$PWD/$probe "$build/programs/$program" &
  pid=$!
  # Wait for the window, then let it run.
  for _ in $(seq 600); do xdotool search --name '^Ombrith by Talvane$' >/dev/null 2>&1 && break; sleep 0.1; done
  sleep "$seconds"
  xdotool key Escape
  wait "$pid" || true
  echo "$program: $(cat "$report" 2>/dev/null || echo 'no report')"
done
