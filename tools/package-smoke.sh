#!/usr/bin/env bash
# Builds the .deb, installs it with apt like a user would, starts the
# installed program headless for a few seconds, then removes the package and
# checks that nothing of it is left. Needs root (or sudo) and Debian 12.
#   tools/package-smoke.sh [build-dir]   (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

need=()
for p in dpkg-dev desktop-file-utils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if ((${#need[@]})); then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi

echo "== Package: build"
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)" --target Settings zx-setup-porthelper zx-setup-cli
rm -f "$build"/zx-setup_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/zx-setup_*.deb)
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
# In the package whatever a system's dpkg excludes from installing.
dpkg-deb --contents "$deb" | grep ' ./usr/share/man/man1/zx-setup-cli.1$' >/dev/null || { echo "no manual page in the package"; exit 1; }

echo "== Package: install"
$SUDO apt-get install -y -qq "$(realpath "$deb")" >/dev/null
files=(/usr/bin/Settings /usr/bin/zx-setup /usr/bin/zx-setup-cli /usr/libexec/zx-setup/zx-setup-porthelper
       /usr/share/polkit-1/actions/org.zxsetup.porthelper.policy
       /usr/share/applications/zx-setup.desktop /usr/share/icons/hicolor/scalable/apps/zx-setup.svg
       /usr/share/bash-completion/completions/zx-setup-cli)
for f in "${files[@]}"; do
  [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -x /usr/bin/pkexec ] || { echo "pkexec was not installed as a dependency"; exit 1; }
desktop-file-validate /usr/share/applications/zx-setup.desktop
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/zx-setup/zx-setup-porthelper</annotate>' \
  /usr/share/polkit-1/actions/org.zxsetup.porthelper.policy

echo "== Package: start the installed program"
# As an ordinary user where one can be had, as the program is meant to run.
runas=()
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null && id nobody >/dev/null 2>&1; then
  runas=(runuser -u nobody --)
fi
log=$(mktemp)
status=0
(cd / && "${runas[@]}" env QT_QPA_PLATFORM=offscreen HOME=/tmp XDG_RUNTIME_DIR= \
   timeout 5 zx-setup) >"$log" 2>&1 || status=$?
sed 's/^/  | /' "$log"
rm -f "$log"
# The window runs until it is closed: only the timeout may end it.
if [ "$status" -ne 124 ]; then
  echo "the installed program ended by itself with status $status"
  exit 1
fi
echo "ran until stopped"

echo "== Package: the installed command-line tool, without a display"
jumpers=$(cd / && "${runas[@]}" env -u DISPLAY -u WAYLAND_DISPLAY zx-setup-cli jumpers 300)
sed 's/^/  | /' <<<"$jumpers"
grep -q '^Control base address: 300$' <<<"$jumpers" || { echo "zx-setup-cli jumpers failed"; exit 1; }
if ldd /usr/bin/zx-setup-cli | grep -E 'libQt6(Gui|Widgets)'; then
  echo "zx-setup-cli loads GUI libraries"
  exit 1
fi

echo "== Package: remove"
$SUDO apt-get remove -y -qq zx-setup >/dev/null
for f in "${files[@]}"; do
  [ ! -e "$f" ] || { echo "left after removal: $f"; exit 1; }
done
[ ! -d /usr/libexec/zx-setup ] || { echo "left after removal: /usr/libexec/zx-setup"; exit 1; }
echo "package installed, started and removed cleanly"
