#!/usr/bin/env bash
# The Windows zip made by make_package.sh holds the shipped programs and the
# text on running them, and its ombrith-render.exe writes, under Wine, the
# same PNG files as the Linux build's render tool.
#   check_zip.sh WORK LINUX_RENDER WINE_PREFIX PROGRAM...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
. "$here/same_renders.sh"
work=$1 linux_render=$2 prefix=$3
shift 3
zip=$(ls "$work"/out/*.zip)
folder=$(basename "$zip" .zip)

listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
wanted=$(for program in README.txt "${@/%/.exe}"; do echo "$folder/$program"; done | sort | tr '\n' ' ')
[ "$listed" = "$wanted" ] || { echo "FAIL: the zip holds '$listed', not '$wanted'" >&2; exit 1; }

count=$(same_renders "$linux_render" --variant 320 --seed 11 --picture --time 6.25 -- \
  "$repo/scripts/wine-run.sh" --prefix "$prefix" "$work/root/$folder/ombrith-render.exe")
echo "the zip holds the $# programs; its ombrith-render.exe writes the same $count PNG files"
