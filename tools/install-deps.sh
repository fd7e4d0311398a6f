#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and tools need.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg62-turbo-dev
          fonts-dejavu-core)
bash "$(dirname "$0")/apt-install.sh" --recommends "${packages[@]}"
