#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, and only
# those that are missing, then the sources that the Windows cross build
# compiles (zlib, into build/cross-sources) and the web tests' npm
# packages (install-npm.sh). Package lists live in
# scripts/packages/*.txt, one package a line ('#' starts a comment). Works as
# root without a terminal; elsewhere it uses sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

lists=("$@")
if [ ${#lists[@]} -eq 0 ]; then
  lists=("$here"/packages/*.txt)
fi

wanted=()
for list in "${lists[@]}"; do
  while read -r pkg _; do
    [ -n "$pkg" ] && wanted+=("$pkg")
  done < <(sed -e 's/#.*//' "$list")
done

# A name without an architecture means this machine's own (or "all"): with
# other architectures added, dpkg-query lists one line for each installed.
native=$(dpkg --print-architecture)
installed() {
  local name=${1%%:*} arch=${1#*:}
  [ "$arch" != "$1" ] || arch=$native
  dpkg-query -W -f='${Architecture} ${Status}\n' "$name" 2>/dev/null |
    grep -qxE "($arch|all) install ok installed"
}
missing=()
for pkg in "${wanted[@]}"; do
  installed "$pkg" || missing+=("$pkg")
done
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture (name:i386, name:arm64) need that
# architecture added first.
for pkg in "${missing[@]}"; do
  case "$pkg" in
    *:i386|*:arm64)
      arch=${pkg##*:}
      if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        "${sudo[@]}" dpkg --add-architecture "$arch"
      fi ;;
  esac
done
# A mirror in the middle of a sync serves an index that does not match its
# Release file, and apt-get update fails: try again a little later.
update() {
  local try
  for try in 1 2 3; do
    "${sudo[@]}" apt-get update -q && return 0
    [ "$try" -lt 3 ] || return 1
    echo "apt-get update failed; trying again in $((try * 20)) s" >&2
    sleep $((try * 20))
  done
}
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  if ! update; then
    # Only 32-bit Wine needs i386 packages, and its tests are skipped where it
    # is missing. When the mirror's indexes stay unreadable, go on without
    # them (and without the architecture, whose index is what fails; the
    # next run adds it back and tries again).
    rest=()
    for pkg in "${missing[@]}"; do
      case "$pkg" in *:i386) ;; *) rest+=("$pkg") ;; esac
    done
    [ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
    "${sudo[@]}" dpkg --remove-architecture i386 || exit 1
    echo "installing without the i386 packages: 32-bit Wine will be missing" \
      "and its tests skipped" >&2
    missing=("${rest[@]}")
    "${sudo[@]}" apt-get update -q
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get install -y -q -o Acquire::Retries=3 \
      --no-install-recommends "${missing[@]}"
  fi
fi

# The Windows build links zlib compiled from Debian's source.
for list in "${lists[@]}"; do
  if [ "$(basename "$list")" = windows.txt ]; then
    bash "$here/cross-sources.sh" "$root/build/cross-sources"
  fi
done

# The web tests drive Chromium through playwright-core, installed by npm ci.
for list in "${lists[@]}"; do
  if [ "$(basename "$list")" = web.txt ]; then
    bash "$here/install-npm.sh"
  fi
done
