#!/usr/bin/env bash
# ombrith-keys on a real terminal: tmux runs it, send-keys types, capture-pane
# shows what the console key path returned. Checks the KeyStrings, exit
# status 0 after Escape, SIGHUP as the close key (which also ends the reader),
# and that the terminal's settings are what they were before each run, also
# on a terminal set to -isig (which the runtime turns on) ended by Escape or
# by a ^C.
# With the render tool too: its progress line on a 50-column terminal and
# beside a capture piped to another program.
#
# usage: ombrith_keys_test.sh PATH-TO-OMBRITH-KEYS [PATH-TO-OMBRITH-RENDER]
set -euo pipefail

keys=$(realpath "$1")
render=${2:+$(realpath "$2")}
work=$(mktemp -d)
socket="ombrith-keys-test-$$"
export TERM=${TERM:-xterm}

tmux_() { tmux -L "$socket" "$@"; }
cleanup() {
  tmux_ kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- pane ---" >&2
  tmux_ capture-pane -p -t 0 >&2 || true
  exit 1
}

# Waits up to 20 s for a condition (a shell command).
wait_for() {
  local condition=$1 what=$2
  for _ in $(seq 1 400); do
    if eval "$condition"; then return 0; fi
    sleep 0.05
  done
  fail "timed out waiting for $what"
}

lines() { tmux_ capture-pane -p -t 0 | sed -e '/^$/d'; }
line_is() { [ "$(lines | sed -n "$1p")" = "$2" ]; }

# Bad usage and input that is not a terminal: a message and status 2.
status=0; "$keys" --bogus >/dev/null 2>"$work/err" || status=$?
[ "$status" = 2 ] && grep -q "unexpected argument" "$work/err" || fail "bad argument: status $status"
status=0; "$keys" </dev/null >/dev/null 2>"$work/err" || status=$?
[ "$status" = 2 ] && grep -q "not a console" "$work/err" || fail "redirected input: status $status"
"$keys" --help | grep -q "^usage: ombrith-keys" || fail "--help"
for option in --help --version; do
  status=0; "$keys" $option >/dev/full 2>"$work/err" || status=$?
  [ "$status" = 1 ] && grep -q "cannot write" "$work/err" || fail "$option to a full device: $status"
done
"$keys" --version | grep -qx "ombrith-keys [0-9.]*" || fail "--version"

# Four runs of the reader: ended by Escape, by SIGHUP, and on a -isig
# terminal by Escape and by ^C.
cat > "$work/run.sh" <<SCRIPT
trap : INT
for run in 1 2 3 4; do
  [ \$run -lt 3 ] || stty -isig
  stty -g > "$work/before\$run"
  sh -c 'echo \$\$ > "$work/pid'\$run'"; exec "$keys"'
  echo "status=\$?"
  stty -g > "$work/after\$run"
  touch "$work/done\$run"
done
exec sleep 600
SCRIPT

tmux_ -f /dev/null new-session -d -x 80 -y 30 "sh $work/run.sh"
tty=$(tmux_ display-message -p -t 0 '#{pane_tty}')
start_run() {
  wait_for "[ -s \"$work/pid$1\" ]" "run $1 to start"
  pid=$(cat "$work/pid$1")
  # The reader has taken the terminal: non-canonical, no echo.
  wait_for 'stty -F "$tty" -a | grep -q -- "-icanon"' "non-canonical mode in run $1"
  stty -F "$tty" -a | grep -q -- "-echo " || fail "echo still on while reading"
}

end_run() {
  wait_for "[ -e \"$work/done$1\" ]" "run $1 to end"
  expected+=("status=${2:-0}")
  cmp -s "$work/before$1" "$work/after$1" || fail "terminal settings not restored after run $1:
before $(cat "$work/before$1")
after  $(cat "$work/after$1")"
}

expected=()
type_key() {
  tmux_ send-keys -t 0 "$1"
  expected+=("$2")
  wait_for "line_is ${#expected[@]} '$2'" "'$2' after $1"
}

start_run 1
type_key a "1 61"
type_key A "1 41"
type_key Up "2 ff 48"
type_key F1 "2 ff 3b"
type_key M-x "2 ff 2d"
type_key Home "2 ff 47"
type_key BTab "2 ff 0f"
type_key Escape "1 1b"
end_run 1

start_run 2
type_key C-a "1 01"
kill -HUP "$pid"
expected+=("2 ff 6b")
wait_for "line_is ${#expected[@]} '2 ff 6b'" "Alt+F4 after SIGHUP"
end_run 2

start_run 3
type_key Escape "1 1b"
end_run 3
start_run 4
tmux_ send-keys -t 0 C-c
end_run 4 130

actual=$(lines)
want=$(printf '%s\n' "${expected[@]}")
[ "$actual" = "$want" ] || fail "pane differs; want:
$want"
[ -n "$render" ] || { echo "PASS"; exit 0; }
tmux_ kill-server 2>/dev/null || true
socket="$socket-render"

# The render tool's progress line in a 50-column pane, everything the pane
# receives logged. Run 1 writes an animated PNG: the line is drawn and at the
# end nothing of it is left, only the file's name. Run 2 streams the capture
# to another program: no line by default. Run 3 asks for it with --progress.
mkdir "$work/out"
frames=(--variant 320 --seed 3 --from 0 --frames 60 --fps 30)
cat > "$work/render.sh" <<SCRIPT
cd "$work/out"
while [ ! -e "$work/go" ]; do sleep 0.05; done
"$render" ${frames[*]} --apng a.png; echo "status=\$?"
echo "== piped"
"$render" ${frames[*]} --video - | cat > /dev/null
echo "== forced"
"$render" ${frames[*]} --video - --progress | cat > /dev/null
echo "== end"
touch "$work/rendered"
exec sleep 600
SCRIPT
tmux_ -f /dev/null new-session -d -x 50 -y 20 "sh $work/render.sh"
tmux_ pipe-pane -t 0 -o "cat > $work/pane.log"
touch "$work/go"
wait_for "[ -e \"$work/rendered\" ]" "the renders to end"
wait_for "grep -q '== end' \"$work/pane.log\"" "the pane's log"
section() { sed -n "$1,$2p" "$work/pane.log"; }
section 1 "/status=/" | grep -q "frame " || fail "no progress line while writing a file"
want=$(printf '%s\n' a.png status=0 "== piped" "== forced" "== end")
[ "$(lines)" = "$want" ] || fail "the progress line left something on the 50-column pane"
! section "/== piped/" "/== forced/" | grep -q "frame " || fail "progress line beside a piped capture"
section "/== forced/" "/== end/" | grep -q "frame " || fail "--progress showed nothing"
echo "PASS"
