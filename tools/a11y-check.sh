#!/usr/bin/env bash
# The program's accessibility tree as a screen reader sees it: builds the
# program, starts an X server and a D-Bus session of its own, and checks over
# AT-SPI (tools/a11y-check.py) that the jumpers, rings and photograph can be
# named and operated.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/apt-install.sh xvfb dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-dbus
cmake --preset default >/dev/null
cmake --build --preset default --target Settings -j"$(nproc)"

# A display nobody else uses, drawn from a quiet range (Xvfb's own choice
# starts at :0, where other servers come and go); Xvfb reports through
# -displayfd when it is ready. Without -noreset the server resets whenever its
# last client leaves (the accessibility bus launcher is one) and refuses
# connections meanwhile.
xvfb=""
bus=""
displayfile=$(mktemp)
busfile=$(mktemp)
# The session bus goes first: the accessibility bus it started leaves with it.
trap 'for p in $bus $xvfb; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -f "$displayfile" "$busfile"' EXIT
for n in $(shuf -i 200-899 -n 20); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || grep -q "X11-unix/X$n\$" /proc/net/unix && continue
  : >"$displayfile"
  Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    { [ -s "$displayfile" ] || ! kill -0 "$xvfb" 2>/dev/null; } && break
    sleep 0.1
  done
  [ -s "$displayfile" ] && break
  kill "$xvfb" 2>/dev/null
  xvfb=""
done
[ -n "$xvfb" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$displayfile")"
unset QT_QPA_PLATFORM

# A session bus of its own, ended by the trap whatever happens.
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$busfile" 4>"$busfile.pid"
bus=$(cat "$busfile.pid")
rm -f "$busfile.pid"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$busfile")
export DBUS_SESSION_BUS_ADDRESS

# The system interpreter: the AT-SPI bindings are Debian packages.
/usr/bin/python3 tools/a11y-check.py "$PWD/build/src/Settings"
