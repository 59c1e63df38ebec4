# Shared by the terminal tests of this folder: a tmux server of the test's
# own (socket named after SOCKET_NAME), a scratch folder, and waits for what
# the pane shows. Sourced; sets `work`, `socket` and the functions below.
work=$(mktemp -d)
socket="$SOCKET_NAME-$$"
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
