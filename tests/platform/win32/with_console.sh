#!/usr/bin/env bash
# Runs a Windows test program under Wine with a terminal as its standard
# input, so that Wine gives it a real console, and passes its status through.
# (Without a terminal, as under CTest or CI, a Wine program has no console.)
#   with_console.sh WINE_PREFIX PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
log=$(mktemp "${TMPDIR:-/tmp}/ombrith-console.XXXXXX")
trap 'rm -f "$log"' EXIT
command=$(printf '%q ' "$here/../../../scripts/wine-run.sh" --prefix "$prefix" "$@")
status=0
# script(1) gives the command a pseudo-terminal; the program's own output
# goes to a file, not through the console's screen handling.
script -qec "$command >$(printf '%q' "$log") 2>&1" /dev/null </dev/null >/dev/null || status=$?
cat "$log"
exit $status
