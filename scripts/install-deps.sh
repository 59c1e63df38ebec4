#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, and only
# those that are missing. Package lists live in scripts/packages/*.txt, one
# package a line ('#' starts a comment). Works as root without a terminal;
# elsewhere it uses sudo. Then the web tests' npm packages (install-npm.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

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

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
if [ ${#missing[@]} -eq 0 ]; then
  [ $# -eq 0 ] && bash "$here/install-npm.sh"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
for pkg in "${missing[@]}"; do
  case "$pkg" in
    *:i386)
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
      fi ;;
  esac
done
echo "installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
[ $# -eq 0 ] && bash "$here/install-npm.sh"
exit 0
