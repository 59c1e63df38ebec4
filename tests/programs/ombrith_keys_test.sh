#!/usr/bin/env bash
# ombrith-keys on a real terminal: tmux runs it, send-keys types, capture-pane
# shows what the console key path returned. Checks the KeyStrings, exit
# status 0 after Escape, SIGHUP as the close key (which also ends the reader),
# and that the terminal's settings are what they were before each run, also
# on a terminal set to -isig (which the runtime turns on) ended by Escape or
# by a ^C.
#
# usage: ombrith_keys_test.sh PATH-TO-OMBRITH-KEYS
set -euo pipefail

keys=$(realpath "$1")
SOCKET_NAME=ombrith-keys-test
. "$(dirname "$0")/tmux_pane.sh"
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
echo "PASS"
