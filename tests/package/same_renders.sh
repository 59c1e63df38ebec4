# Sourced by the package checks: same_pngs EXPECTED_DIR ACTUAL_DIR COUNT
# passes when ACTUAL_DIR holds byte-identical copies of the COUNT PNG files
# of EXPECTED_DIR, and ends the check with a failure otherwise.
same_pngs() {
  local expected=$1 actual=$2 wanted=$3 count=0 file
  for file in "$expected"/*.png; do
    cmp "$file" "$actual/$(basename "$file")" ||
      { echo "FAIL: $(basename "$file") differs" >&2; exit 1; }
    count=$((count + 1))
  done
  [ "$count" -eq "$wanted" ] || { echo "FAIL: $count files instead of $wanted" >&2; exit 1; }
}
