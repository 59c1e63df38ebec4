#!/usr/bin/env bash
# The arm64 demo under qemu on a private X server (Xvfb): Escape ends it with
# status 0, and so does closing its window the way a window manager does.
#   demo_e2e.sh ARM64_DEMO CLOSE_TOOL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
demo=$1 close_tool=$2
[ -x "$close_tool" ] || { echo "FAIL: no window-closing tool at $close_tool (build the release preset)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-arm64-e2e.XXXXXX")
server=
demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null && wait "$demo_pid" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds.
wait_for() {
  local limit=$(( $1 * 5 )) i=0
  shift
  until "$@"; do
    i=$((i + 1))
    [ $i -lt $limit ] || return 1
    sleep 0.2
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
server=$!
wait_for 30 grep -q . "$work/display" || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

find_window() {
  xdotool search --name '^Ombrith by Talvane$' 2>/dev/null | head -n1 >"$work/window" && [ -s "$work/window" ]
}
running() { kill -0 "$demo_pid" 2>/dev/null; }

# run_demo HOW: starts the demo, waits for its window, ends it by Escape or by
# closing the window, and checks its exit status.
run_demo() {
  local how=$1 status=0 window
  "$repo/scripts/qemu-arm64.sh" "$demo" </dev/null >/dev/null 2>&1 &
  demo_pid=$!
  wait_for 120 find_window || { echo "FAIL ($how): the demo opened no window" >&2; exit 1; }
  window=$(cat "$work/window")
  # Under qemu the demo may still be setting up: repeat until it ends.
  for _ in $(seq 120); do
    running || break
    if [ "$how" = escape ]; then
      xdotool windowfocus "$window" 2>/dev/null || true
      xdotool key Escape 2>/dev/null || true
    else
      "$close_tool" "$window" || true
    fi
    sleep 1
  done
  if running; then
    echo "FAIL ($how): the demo did not end" >&2
    exit 1
  fi
  wait "$demo_pid" || status=$?
  demo_pid=
  [ "$status" -eq 0 ] || { echo "FAIL ($how): exit status $status instead of 0" >&2; exit 1; }
  echo "$how: the arm64 demo ended with status 0"
}

run_demo escape
run_demo close
