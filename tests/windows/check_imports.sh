#!/usr/bin/env bash
# Checks the DLL imports of Windows programs: only system DLLs, and DirectDraw
# never imported (it is loaded at run time).
#   check_imports.sh OBJDUMP REQUIRED ALLOWED PROGRAM.exe...
# REQUIRED and ALLOWED are comma-separated DLL names (case does not matter):
# every program imports each REQUIRED DLL and nothing outside ALLOWED.
set -euo pipefail
objdump=$1 required=$2 allowed=$3
shift 3
lower() { tr '[:upper:]' '[:lower:]'; }
status=0
for program in "$@"; do
  imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | lower | sort -u)
  echo "$(basename "$program"): $(echo $imports)"
  [ -n "$imports" ] || { echo "  no import table found" >&2; status=1; continue; }
  for dll in $(echo "$required" | lower | tr ',' ' '); do
    grep -qx "$dll" <<<"$imports" || { echo "  missing import: $dll" >&2; status=1; }
  done
  while read -r dll; do
    case ",$(echo "$allowed" | lower)," in
      *",$dll,"*) ;;
      *) echo "  import not allowed: $dll" >&2; status=1 ;;
    esac
  done <<<"$imports"
done
exit $status
