#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# No configure carries the test-only overrides: this is the program a user gets.
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target Settings
exec ./build/src/Settings
