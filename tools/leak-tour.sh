#!/usr/bin/env bash
# Runs the scripted headless tour of the program (tests/app/tour/tour.cpp) under
# valgrind memcheck and fails unless the tour succeeds with no memory error and
# 0 bytes definitely lost. The only suppressions are Qt's and the platform's
# one-time allocations, each explained in tests/app/tour/tour.supp.
#   bash tools/leak-tour.sh            # BUILD_DIR defaults to build-tour (Debug)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-$root/build-tour}

if ! command -v valgrind >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq valgrind
fi

cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target zx_tour

log="$BUILD_DIR/leak-tour.log"
set +e
QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
  --errors-for-leak-kinds=definite --error-exitcode=3 --num-callers=40 \
  --suppressions="$root/tests/app/tour/tour.supp" "$BUILD_DIR/tests/zx_tour" >"$log" 2>&1
status=$?
set -e
grep -E 'tour: |definitely lost:|indirectly lost:|possibly lost:|suppressed:|ERROR SUMMARY' "$log" || true
if [ $status -ne 0 ]; then
  echo "leak tour FAILED (exit $status); full report in $log"
  exit 1
fi
echo "leak tour clean; full report in $log"
