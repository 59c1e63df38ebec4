#!/usr/bin/env bash
# ombrith-keys on a real terminal: tmux runs it, send-keys types, capture-pane
# shows what the console key path returned. Checks the KeyStrings, SIGHUP as
# the close key, exit status 0 after Escape, and that the terminal's settings
# are what they were before.
#
# usage: runtime_terminal_test.sh PATH-TO-OMBRITH-KEYS
set -euo pipefail

keys=$(realpath "$1")
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

cat > "$work/run.sh" <<SCRIPT
stty -g > "$work/before"
sh -c 'echo \$\$ > "$work/pid"; exec "$keys"'
echo "status=\$?"
stty -g > "$work/after"
touch "$work/done"
exec sleep 600
SCRIPT

tmux_ -f /dev/null new-session -d -x 80 -y 30 "sh $work/run.sh"
tty=$(tmux_ display-message -p -t 0 '#{pane_tty}')
wait_for '[ -s "$work/pid" ]' "the reader to start"
pid=$(cat "$work/pid")
# The reader has taken the terminal: non-canonical, no echo.
wait_for 'stty -F "$tty" -a | grep -q -- "-icanon"' "non-canonical mode"
stty -F "$tty" -a | grep -q -- "-echo " || fail "echo still on while reading"

expected=()
type_key() {
  tmux_ send-keys -t 0 "$1"
  expected+=("$2")
  wait_for "line_is ${#expected[@]} '$2'" "'$2' after $1"
}

type_key a "1 61"
type_key A "1 41"
type_key Up "2 ff 48"
type_key F1 "2 ff 3b"
type_key M-x "2 ff 2d"
type_key Home "2 ff 47"
type_key BTab "2 ff 0f"

kill -HUP "$pid"
expected+=("2 ff 6b")
wait_for "line_is ${#expected[@]} '2 ff 6b'" "Alt+F4 after SIGHUP"
kill -0 "$pid" 2>/dev/null || fail "SIGHUP ended the reader"

type_key Escape "1 1b"
wait_for '[ -e "$work/done" ]' "the reader to end"

expected+=("status=0")
actual=$(lines)
want=$(printf '%s\n' "${expected[@]}")
[ "$actual" = "$want" ] || fail "pane differs; want:
$want"
cmp -s "$work/before" "$work/after" || fail "terminal settings not restored:
before $(cat "$work/before")
after  $(cat "$work/after")"
stty -F "$tty" -a | grep -q -- " icanon" || fail "canonical mode not restored"
echo "PASS"
