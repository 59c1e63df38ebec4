#!/usr/bin/env bash
# The Windows zip made by make_package.sh holds the three programs and the
# text on running them, and its ombrith-render.exe writes, under Wine, the
# same PNG files as the Linux build's render tool.
#   check_zip.sh WORK LINUX_RENDER WINE_PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
. "$here/same_pngs.sh"
work=$1 linux_render=$2 prefix=$3
zip=$(ls "$work"/out/*.zip)
folder=$(basename "$zip" .zip)

listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
wanted="$folder/README.txt $folder/ombrith-render.exe $folder/ombrith320.exe $folder/ombrith640.exe "
[ "$listed" = "$wanted" ] || { echo "FAIL: the zip holds '$listed', not '$wanted'" >&2; exit 1; }

[ -x "$linux_render" ] || { echo "FAIL: no Linux render tool at $linux_render" >&2; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-zip-render.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/linux" "$scratch/windows"
args=(--variant 320 --seed 11 --picture --time 6.25)
"$linux_render" "${args[@]}" --out "$scratch/linux" >/dev/null
(cd "$scratch" && "$repo/scripts/wine-run.sh" --prefix "$prefix" \
  "$work/root/$folder/ombrith-render.exe" "${args[@]}" --out windows >/dev/null)
same_pngs "$scratch/linux" "$scratch/windows" 2
echo "the zip holds the three programs; its ombrith-render.exe writes the same 2 PNG files"
