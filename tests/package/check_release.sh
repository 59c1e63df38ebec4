#!/usr/bin/env bash
# The package made by make_package.sh is a release file a user can trust:
# each program in it is small (stripped, as shipped: under its limit, and the
# sizes are printed), and making the package again from the same build gives
# the same bytes (the files' times come from the commit, not from the clock).
#   check_release.sh BUILD_DIR WORK PROGRAM:KIB...
# PROGRAM: a path inside the unpacked package (WORK/root), a glob allowed;
# KIB: the most it may take, in KiB.
set -euo pipefail
build=$1 work=$2
shift 2
status=0

shopt -s nullglob
for entry in "$@"; do
  pattern=${entry%:*} limit=$((${entry##*:} * 1024))
  files=("$work"/root/$pattern)
  if [ ${#files[@]} -ne 1 ]; then
    echo "FAIL: '$pattern' matches ${#files[@]} files in the package" >&2
    status=1
    continue
  fi
  size=$(stat -c %s "${files[0]}")
  printf '%-28s %8d bytes\n' "$(basename "${files[0]}")" "$size"
  if [ "$size" -gt "$limit" ]; then
    echo "FAIL: $(basename "${files[0]}") is larger than $limit bytes" >&2
    status=1
  fi
done

# Again, at least two seconds later (the resolution of zip times).
sleep 2
rm -rf "$work/again"
cpack --config "$build/CPackConfig.cmake" -B "$work/again" >"$work/cpack-again.log" 2>&1 || {
  cat "$work/cpack-again.log" >&2
  echo "FAIL: cpack could not make the package again" >&2
  exit 1
}
packages=("$work"/out/*.deb "$work"/out/*.zip)
[ ${#packages[@]} -gt 0 ] || { echo "FAIL: no package in $work/out" >&2; exit 1; }
for first in "${packages[@]}"; do
  second="$work/again/$(basename "$first")"
  if cmp -s "$first" "$second"; then
    echo "$(basename "$first") made twice: the same bytes, sha256 $(sha256sum <"$first" | cut -d' ' -f1)"
  else
    echo "FAIL: $(basename "$first") differs when made again" >&2
    status=1
  fi
done
exit $status
