#!/usr/bin/env bash
# The render tool's progress line on a real terminal: tmux runs the tool in a
# 50-column pane and logs everything the pane receives.
#
# usage: render_progress_test.sh PATH-TO-OMBRITH-RENDER
set -euo pipefail

render=$(realpath "$1")
SOCKET_NAME=ombrith-render-progress
. "$(dirname "$0")/tmux_pane.sh"

# Run 1 writes an animated PNG: the line is drawn and at the
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
