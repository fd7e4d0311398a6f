#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build directory of their own and
# runs each for a short while from its seed corpus. Any crash, sanitizer report
# or broken invariant fails the run; the input that did it is left in
# $BUILD_DIR/findings/.
#
#   bash tools/fuzz-smoke.sh                 # about 30 s per target
#   FUZZ_SECONDS=3600 bash tools/fuzz-smoke.sh
#   FUZZ_RUNS=1000000 bash tools/fuzz-smoke.sh   # a fixed number of runs instead
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-$root/build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
FUZZ_RUNS=${FUZZ_RUNS:-}
TARGETS=${FUZZ_TARGETS:-"hexaddress jpeg rtf"}

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-dev
fi

export QT_QPA_PLATFORM=offscreen
CC=clang CXX=clang++ cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZX_FUZZ=ON -DZX_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target fuzz_seeds $(printf 'fuzz_%s ' $TARGETS)

rm -rf "$BUILD_DIR/seeds"
"$BUILD_DIR/fuzz/fuzz_seeds" "$BUILD_DIR/seeds"
mkdir -p "$BUILD_DIR/findings"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp}

status=0
for target in $TARGETS; do
  case $target in
    hexaddress) seeds=hex ;;
    *) seeds=$target ;;
  esac
  # The working corpus grows between runs; the seeds stay as generated.
  corpus="$BUILD_DIR/corpus/$target"
  mkdir -p "$corpus"
  if [ -n "$FUZZ_RUNS" ]; then limit=(-runs="$FUZZ_RUNS"); else limit=(-max_total_time="$FUZZ_SECONDS"); fi
  [ -f "$root/fuzz/$target.dict" ] && limit+=(-dict="$root/fuzz/$target.dict")
  echo "== fuzz_$target (${FUZZ_RUNS:+$FUZZ_RUNS runs}${FUZZ_RUNS:-$FUZZ_SECONDS s})"
  log="$BUILD_DIR/findings/fuzz_$target.log"
  if "$BUILD_DIR/fuzz/fuzz_$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$BUILD_DIR/findings/fuzz_$target-" "$corpus" "$BUILD_DIR/seeds/$seeds" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done' "$log" || true
  else
    status=1
    echo "fuzz_$target FAILED; last lines of $log:"
    tail -n 40 "$log"
  fi
done
exit $status
