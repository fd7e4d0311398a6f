#!/usr/bin/env bash
# Runs the window-level test suites and the program tour a second time on a
# real X server with a window manager (Xvfb and openbox): real window frames,
# focus, maximising and pointer, which the headless platform does not have.
# Suites without window behaviour are left to the headless run.
#   bash tools/run-x11-tests.sh        # BUILD_DIR defaults to build (the default preset)
#   X11_DISPLAY=91 bash tools/run-x11-tests.sh   # a display number of your own instead of a free one
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-$root/build}
suites=(tst_mainwindow tst_popup tst_radiopanel tst_boardimage tst_boardhighlight tst_supporter tst_portresources
        tst_foundation)

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v openbox >/dev/null || missing+=(openbox)
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake --preset default >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${suites[@]}" zx_tour

work=$(mktemp -d)
xvfb_pid="" wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Waits until a process has written its ready file, for 10 s at the most.
wait_ready() { # file pid log name
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    kill -0 "$2" 2>/dev/null || { cat "$3"; echo "$4 did not start"; exit 1; }
    sleep 0.1
  done
  echo "$4 did not get ready"
  exit 1
}

# Xvfb picks a free display (unless told one) and writes its number once it accepts clients.
Xvfb ${X11_DISPLAY:+":$X11_DISPLAY"} -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
  2>"$work/xvfb.log" &
xvfb_pid=$!
wait_ready "$work/display" "$xvfb_pid" "$work/xvfb.log" Xvfb
export DISPLAY=":$(head -n1 "$work/display")"

# openbox runs its start-up command once it manages the screen.
openbox --startup "sh -c 'echo ready >$work/wm-ready'" 2>"$work/openbox.log" &
wm_pid=$!
wait_ready "$work/wm-ready" "$wm_pid" "$work/openbox.log" openbox

export QT_QPA_PLATFORM=xcb
failed=()
for suite in "${suites[@]}"; do
  echo "-- $suite on $DISPLAY"
  if ! timeout 300 "$BUILD_DIR/tests/$suite" -silent >"$work/$suite.log" 2>&1; then
    cat "$work/$suite.log"
    failed+=("$suite")
  else
    grep '^Totals' "$work/$suite.log" || true
  fi
done
echo "-- the tour on $DISPLAY"
timeout 300 "$BUILD_DIR/tests/zx_tour" 2>"$work/tour.log" || { cat "$work/tour.log"; failed+=(zx_tour); }

if ((${#failed[@]})); then
  echo "X11 run FAILED: ${failed[*]}"
  exit 1
fi
echo "X11 run passed: ${suites[*]} zx_tour"
