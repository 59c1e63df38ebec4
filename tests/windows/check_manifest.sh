#!/usr/bin/env bash
# Checks that the demos are Windows (GUI) programs and carry their manifest
# as resource 24/1 with per-monitor DPI awareness (and the older flag).
#   check_manifest.sh OBJDUMP PROGRAM.exe...
set -euo pipefail
objdump=$1
shift
status=0
for program in "$@"; do
  name=$(basename "$program")
  headers=$("$objdump" -p "$program")
  grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$headers" ||
    { echo "$name: not a Windows GUI program" >&2; status=1; }
  # The resource directory: type 24 (manifest) holding id 1.
  grep -A2 'Entry: ID: 0x000018,' <<<"$headers" | grep -q 'Entry: ID: 0x000001,' ||
    { echo "$name: no manifest resource (24/1)" >&2; status=1; }
  text=$(tr -d '\0' <"$program")
  grep -q '<dpiAwareness[^>]*>PerMonitorV2' <<<"$text" ||
    { echo "$name: manifest without dpiAwareness PerMonitorV2" >&2; status=1; }
  grep -q '<dpiAware[^>]*>true/pm</dpiAware>' <<<"$text" ||
    { echo "$name: manifest without dpiAware true/pm" >&2; status=1; }
  [ $status -ne 0 ] || echo "$name: Windows program, manifest with per-monitor DPI awareness"
done
exit $status
