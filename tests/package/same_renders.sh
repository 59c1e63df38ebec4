# Sourced by the package checks:
#   same_renders REFERENCE_RENDER ARG... -- COMMAND...
# renders ARG... with the reference render tool and with COMMAND (a render
# tool, or a runner and its arguments followed by one), run in a scratch
# folder and writing into its folder "candidate", and passes when both wrote
# the same PNG files, byte for byte; otherwise it ends the check with a
# failure (or with status 77, skipped, when COMMAND ends with 77). Prints how
# many files were compared.
same_renders() {
  local reference=$1 scratch file count=0
  shift
  local args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 1 ] || { echo "FAIL: same_renders: no command after --" >&2; exit 1; }
  shift
  [ -x "$reference" ] || { echo "FAIL: no reference render tool at $reference" >&2; exit 1; }
  # The command runs in the scratch folder: a relative path to it is made whole.
  local command=("$@")
  case $1 in /*) ;; */*) command[0]=$PWD/$1 ;; esac
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-same-renders.XXXXXX")
  # shellcheck disable=SC2064
  trap "rm -rf '$scratch'" EXIT
  mkdir "$scratch/reference" "$scratch/candidate"
  "$reference" "${args[@]}" --out "$scratch/reference" >/dev/null ||
    { echo "FAIL: the reference render tool failed" >&2; exit 1; }
  local status=0
  (cd "$scratch" && "${command[@]}" "${args[@]}" --out candidate >/dev/null) || status=$?
  # 77: the command's runner cannot run here (32-bit Wine on a machine that
  # refuses 32-bit programs); the check is skipped, not failed.
  [ $status -ne 77 ] || exit 77
  [ $status -eq 0 ] || { echo "FAIL: the render tool under test failed: $*" >&2; exit 1; }
  for file in "$scratch"/reference/*.png; do
    [ -e "$file" ] || { echo "FAIL: the reference wrote no PNG file" >&2; exit 1; }
    cmp -s "$file" "$scratch/candidate/$(basename "$file")" ||
      { echo "FAIL: $(basename "$file") differs" >&2; exit 1; }
    count=$((count + 1))
  done
  [ "$(ls "$scratch/candidate" | wc -l)" -eq "$count" ] ||
    { echo "FAIL: $(ls "$scratch/candidate" | wc -l) files instead of $count" >&2; exit 1; }
  echo "$count"
}
