#!/usr/bin/env bash
# Installs those of the named Debian packages that are not installed yet, as
# root or through sudo; the scripts that need a package call this.
#   bash tools/apt-install.sh [--recommends] PACKAGE...
set -euo pipefail
recommends=(--no-install-recommends)
if [ "${1:-}" = --recommends ]; then
  recommends=()
  shift
fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${recommends[@]}" "${missing[@]}" >/dev/null
