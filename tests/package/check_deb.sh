#!/usr/bin/env bash
# Checks of the Debian package made by make_package.sh.
#   check_deb.sh lintian WORK         lintian reports no error
#   check_deb.sh render WORK RENDER [RUNNER]
#                                     the packaged ombrith-render writes the
#                                     same PNG files as RENDER, both started
#                                     through RUNNER when given (qemu)
set -euo pipefail
. "$(dirname "$0")/same_pngs.sh"
mode=$1 work=$2
deb=$(ls "$work"/out/*.deb)
case "$mode" in
  lintian)
    # Status 2: errors (lines "E: ..."); warnings and notes are shown only.
    status=0
    lintian --allow-root --fail-on error "$deb" || status=$?
    case $status in
      0) ;;
      2) echo "FAIL: lintian reports errors" >&2; exit 1 ;;
      *) echo "FAIL: lintian did not run (status $status)" >&2; exit 1 ;;
    esac
    echo "lintian: no errors in $(basename "$deb")" ;;
  render)
    render=$3
    runner=("${@:4}")
    packaged=$work/root/usr/bin/ombrith-render
    [ -x "$packaged" ] || { echo "FAIL: no usr/bin/ombrith-render in the package" >&2; exit 1; }
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-deb-render.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    mkdir "$scratch/build" "$scratch/package"
    args=(--variant 640 --seed 3 --picture --time 4.5)
    "${runner[@]}" "$render" "${args[@]}" --out "$scratch/build" >/dev/null
    "${runner[@]}" "$packaged" "${args[@]}" --out "$scratch/package" >/dev/null
    same_pngs "$scratch/build" "$scratch/package" 2
    echo "the packaged ombrith-render writes the same 2 PNG files" ;;
  *)
    echo "usage: check_deb.sh lintian|render WORK [RENDER]" >&2
    exit 2 ;;
esac
