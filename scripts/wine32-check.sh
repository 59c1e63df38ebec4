#!/usr/bin/env bash
# The check, made once per test run, of whether this machine runs 32-bit x86
# programs under Wine. Records the answer in STATUS_FILE ("yes", or "no: "
# and the reason) for the tests of the run, which skip themselves on "no",
# and says the reason in plain words. Always succeeds: the answer is data.
#   wine32-check.sh STATUS_FILE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
[ $# -eq 1 ] || { echo "usage: wine32-check.sh STATUS_FILE" >&2; exit 2; }
status_file=$1
mkdir -p "$(dirname "$status_file")"
if reason=$(wine_env_probe_32); then
  echo yes >"$status_file.new"
  echo "32-bit Wine runs on this machine: the 32-bit Windows tests run"
else
  echo "no: $reason" >"$status_file.new"
  echo "32-bit Windows tests skipped: $reason"
fi
mv -f "$status_file.new" "$status_file"
