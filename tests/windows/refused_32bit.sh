#!/usr/bin/env bash
# Where the kernel refuses 32-bit programs, the check says so (with the
# kernel's reason) and 64-bit Wine still creates a prefix and runs the 64-bit
# build. Such a machine is made here in a private mount namespace: Wine's
# 32-bit loader and server are replaced by a file the kernel refuses to run
# (an ELF file for an unknown machine). Needs root for the namespace;
# skipped (77) without one.
#   refused_32bit.sh LINUX_RENDER WINDOWS_RENDER.exe WORK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
if [ "${1:-}" != --inside ]; then
  unshare -m true 2>/dev/null || { echo "skipped: no private mount namespace here (needs root)"; exit 77; }
  exec unshare -m bash "$0" --inside "$@"
fi
shift
linux_render=$1 windows_render=$2 work=$3
. "$repo/tests/package/same_renders.sh"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
refused=$work/refused-loader
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\377' >"$refused"
head -c 64 /dev/zero >>"$refused"
chmod +x "$refused"
for file in /usr/lib/wine/wine /usr/lib/wine/wineserver32; do
  [ -e "$file" ] && mount --bind "$refused" "$file"
done

unset OMBRITH_NO_WINE32
bash "$repo/scripts/wine32-check.sh" "$work/wine32-status"
answer=$(cat "$work/wine32-status")
case "$answer" in
  "no: this machine does not run 32-bit x86 programs"*"Exec format error"*) ;;
  "no: 32-bit Wine is not installed"*) ;;
  *) fail "the check answered '$answer' where the 32-bit loader cannot run" ;;
esac

same_renders "$linux_render" --variant 320 --seed 5 --picture --time 3.5 -- \
  env OMBRITH_WINE_ARCH=win64 "$repo/scripts/wine-run.sh" --prefix "$work/prefix" \
  "$windows_render" >/dev/null ||
  fail "64-bit Wine did not run the 64-bit render tool without 32-bit programs"
OMBRITH_WINE_ARCH=win64 bash -c ". '$repo/scripts/wine-env.sh' && wine_env_stop '$work/prefix'"
rm -rf "$work"
echo "without 32-bit programs: the check says no, and 64-bit Wine runs the 64-bit build"
