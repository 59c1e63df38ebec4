#!/usr/bin/env bash
# Unpacks Debian's source package of zlib for the Windows cross build, which
# links it statically (no MinGW build of it is packaged). The same upstream
# version as the host's own library, so that the render tool writes the same
# PNG bytes on both systems.
#   cross-sources.sh DEST      -> DEST/zlib
# Needs Debian's source lists; when they are missing, a deb-src entry for the
# system's own mirrors is added and the lists are updated. Works as root with
# no terminal; elsewhere it uses sudo.
set -euo pipefail
dest=$1
[ -f "$dest/.complete" ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
. /etc/os-release
suite=${VERSION_CODENAME:?no release codename in /etc/os-release}
packages=("zlib/$suite")

if ! apt-get source --print-uris -q "${packages[@]}" >/dev/null 2>&1; then
  list=/etc/apt/sources.list.d/debian.sources
  [ -f "$list" ] || { echo "cross-sources: no $list to derive source lists from" >&2; exit 1; }
  echo "cross-sources: adding Debian source lists" >&2
  sed 's/^Types: deb$/Types: deb-src/' "$list" |
    "${sudo[@]}" tee /etc/apt/sources.list.d/ombrith-deb-src.sources >/dev/null
  "${sudo[@]}" apt-get update -q >/dev/null
fi
command -v dpkg-source >/dev/null || {
  echo "cross-sources: dpkg-source is missing (package dpkg-dev)" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/ombrith-cross-sources.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -q "${packages[@]}" >/dev/null 2>&1) || {
  echo "cross-sources: apt-get source ${packages[*]} failed" >&2
  exit 1
}
rm -rf "$dest"
mkdir -p "$dest"
mv "$work"/zlib-*/ "$dest/zlib"
touch "$dest/.complete"
