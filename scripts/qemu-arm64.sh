#!/usr/bin/env bash
# Runs an arm64 Linux program on this machine under qemu-aarch64 (Debian's
# qemu-user; no binfmt registration needed): the arm64 loader and libraries
# come from the multiarch folders.
#
#   qemu-arm64.sh PROGRAM [ARGS...]
set -euo pipefail
arch=aarch64-linux-gnu
exec qemu-aarch64 -L / \
  -E "LD_LIBRARY_PATH=/lib/$arch:/usr/lib/$arch${OMBRITH_ARM64_LIBRARY_PATH:+:$OMBRITH_ARM64_LIBRARY_PATH}" \
  "$@"
