#!/usr/bin/env bash
# Starts the real program on a headless Wayland compositor with XWayland
# (weston), as on a Wayland desktop: with WAYLAND_DISPLAY set and no platform
# chosen it must run through XWayland (xcb), where it can place its popups
# and read the pointer; where there is no XWayland, on Wayland; with
# QT_QPA_PLATFORM=wayland, on Wayland as asked.
#   bash tools/wayland-smoke.sh        # BUILD_DIR defaults to build (the default preset)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-$root/build}

bash tools/apt-install.sh weston xwayland qt6-wayland x11-utils

[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake --preset default >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Settings

work=$(mktemp -d)
weston_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A runtime directory and socket of its own; weston's XWayland takes the first
# free X display and says which in its log.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=zx-smoke
weston --backend=headless-backend.so --xwayland --socket="$socket" --idle-time=0 --log="$work/weston.log" \
  >/dev/null 2>&1 &
weston_pid=$!
xdisplay=""
for _ in $(seq 100); do
  xdisplay=$(grep -o 'xserver listening on display :[0-9]*' "$work/weston.log" 2>/dev/null | grep -o ':[0-9]*$' || true)
  [ -n "$xdisplay" ] && [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || { cat "$work/weston.log"; echo "weston did not start"; exit 1; }
  sleep 0.1
done
[ -n "$xdisplay" ] || { cat "$work/weston.log"; echo "weston's XWayland did not get ready"; exit 1; }

failed=()
# run NAME PLUGIN [VAR=value...]: the program runs, with that platform plugin
# loaded, and on xcb with a window on XWayland's display.
run() {
  local name=$1 plugin=$2
  shift 2
  env -u QT_QPA_PLATFORM -u DISPLAY -u XDG_SESSION_TYPE WAYLAND_DISPLAY="$socket" "$@" \
    "$BUILD_DIR/src/Settings" >"$work/program.log" 2>&1 &
  program_pid=$!
  local seen=""
  for _ in $(seq 150); do
    kill -0 "$program_pid" 2>/dev/null || break
    if grep -q "platforms/$plugin" "/proc/$program_pid/maps" 2>/dev/null; then
      if [ "$plugin" != libqxcb.so ] || DISPLAY=$xdisplay xwininfo -root -tree 2>/dev/null | grep -q '("Settings" "Settings")'; then
        seen=yes
        break
      fi
    fi
    sleep 0.1
  done
  if [ -n "$seen" ] && kill -0 "$program_pid" 2>/dev/null; then
    echo "-- $name: runs on $(basename "$plugin" .so | sed 's/^libq//')"
  else
    sed 's/^/  | /' "$work/program.log"
    echo "-- $name: did not run on $plugin: $(grep -o 'platforms/libq[a-z-]*\.so' "/proc/$program_pid/maps" 2>/dev/null | sort -u | tr '\n' ' ')"
    failed+=("$name")
  fi
  kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null || true
  program_pid=""
}

run "WAYLAND_DISPLAY set, no platform chosen" libqxcb.so DISPLAY="$xdisplay"
run "XDG_SESSION_TYPE=wayland as well" libqxcb.so DISPLAY="$xdisplay" XDG_SESSION_TYPE=wayland
run "no XWayland display" libqwayland-generic.so
run "QT_QPA_PLATFORM=wayland" libqwayland-generic.so DISPLAY="$xdisplay" QT_QPA_PLATFORM=wayland

if ((${#failed[@]})); then
  echo "Wayland smoke FAILED: ${failed[*]}"
  exit 1
fi
echo "Wayland smoke passed"
