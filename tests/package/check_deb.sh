#!/usr/bin/env bash
# Checks of the Debian package made by make_package.sh.
#   check_deb.sh lintian WORK         lintian reports no error
#   check_deb.sh render WORK RENDER [RUNNER]
#                                     the packaged ombrith-render writes the
#                                     same PNG files as RENDER, both started
#                                     through RUNNER when given (qemu)
set -euo pipefail
. "$(dirname "$0")/same_renders.sh"
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
    reference=$render
    if [ ${#runner[@]} -gt 0 ]; then
      # The build's tool runs through the same runner as the packaged one.
      reference=$work/reference-render
      printf '#!/bin/bash\nexec %s"$@"\n' "$(printf '%q ' "${runner[@]}" "$render")" >"$reference"
      chmod +x "$reference"
    fi
    count=$(same_renders "$reference" --variant 640 --seed 3 --picture --time 4.5 -- "${runner[@]}" "$packaged")
    echo "the packaged ombrith-render writes the same $count PNG files" ;;
  *)
    echo "usage: check_deb.sh lintian|render WORK [RENDER]" >&2
    exit 2 ;;
esac
