#!/usr/bin/env bash
# Makes the build's package with CPack into WORK/out and unpacks it into
# WORK/root: the .deb with dpkg-deb -x, the zip with unzip.
#   make_package.sh BUILD_DIR WORK
set -euo pipefail
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work/out" "$work/root"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not make the package" >&2
  exit 1
}
shopt -s nullglob
debs=("$work"/out/*.deb) zips=("$work"/out/*.zip)
if [ ${#debs[@]} -eq 1 ]; then
  dpkg-deb -x "${debs[0]}" "$work/root"
  echo "made and unpacked $(basename "${debs[0]}")"
elif [ ${#zips[@]} -eq 1 ]; then
  unzip -q "${zips[0]}" -d "$work/root"
  echo "made and unpacked $(basename "${zips[0]}")"
else
  echo "FAIL: expected one .deb or one .zip in $work/out, found: $(ls "$work/out")" >&2
  exit 1
fi
