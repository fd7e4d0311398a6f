#!/usr/bin/env bash
# Builds the .deb with Debian's hardening flags, checks it with lintian (any
# error or warning fails) and its binaries with hardening-check, installs it
# with apt like a user would, starts the installed program headless for a few
# seconds, then removes the package and checks that nothing of it is left.
# Needs root (or sudo) and Debian 12.
#   tools/package-smoke.sh [build-dir]   (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

bash tools/apt-install.sh dpkg-dev desktop-file-utils lintian devscripts

echo "== Package: build with Debian's hardening flags"
# Stack protector, _FORTIFY_SOURCE=2, -z relro -z now, PIE. CMake reads no
# CPPFLAGS: they go in with the compiler flags. Given on every configure, so
# a build directory from before cannot keep other flags.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZX_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target Settings zx-setup-porthelper zx-setup-cli zx_compressed_docs
rm -f "$build"/zx-setup_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/zx-setup_*.deb)
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
# In the package whatever a system's dpkg excludes from installing.
for page in zx-setup.1.gz zx-setup-cli.1.gz; do
  dpkg-deb --contents "$deb" | grep " ./usr/share/man/man1/$page\$" >/dev/null || { echo "no manual page $page in the package"; exit 1; }
done

echo "== Package: lintian"
lintian --pedantic -I -E --fail-on error,warning "$deb"
echo "lintian: no error or warning"

echo "== Package: install"
$SUDO apt-get install -y -qq "$(realpath "$deb")" >/dev/null
binaries=(/usr/bin/zx-setup /usr/bin/zx-setup-cli /usr/libexec/zx-setup/zx-setup-porthelper)
files=("${binaries[@]}" /usr/share/polkit-1/actions/org.zxsetup.porthelper.policy
       /usr/share/applications/zx-setup.desktop /usr/share/icons/hicolor/scalable/apps/zx-setup.svg
       /usr/share/man/man1/zx-setup.1.gz /usr/share/man/man1/zx-setup-cli.1.gz
       /usr/share/doc/zx-setup/copyright /usr/share/doc/zx-setup/changelog.gz /usr/lib/sysusers.d/zx-setup.conf
       /usr/share/bash-completion/completions/zx-setup-cli)
for f in "${files[@]}"; do
  [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
# The program has one name, and not the generic one of its build target.
[ ! -e /usr/bin/Settings ] || { echo "installed as /usr/bin/Settings"; exit 1; }
[ -x /usr/bin/pkexec ] || { echo "pkexec was not installed as a dependency"; exit 1; }
desktop-file-validate /usr/share/applications/zx-setup.desktop
policy=/usr/share/polkit-1/actions/org.zxsetup.porthelper.policy
grep -q '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/zx-setup/zx-setup-porthelper</annotate>' "$policy"
# Every start asks: a kept authorisation would let other processes of the user start the helper unasked.
grep -q '<allow_active>auth_admin</allow_active>' "$policy" || { echo "the helper's start is not asked every time"; exit 1; }
# The helper's own account: a system user without a shell.
account=$(getent passwd _zxsetup) || { echo "no _zxsetup user after install"; exit 1; }
echo "  | $account"
[ "$(cut -d: -f7 <<<"$account")" = /usr/sbin/nologin ] && [ "$(cut -d: -f3 <<<"$account")" -lt 1000 ] \
  || { echo "_zxsetup is not a system user without a shell"; exit 1; }

echo "== Package: hardening of the installed binaries"
# Control-flow protection (-fcf-protection) is not among Debian 12's hardening flags.
hardening-check --nocfprotection "${binaries[@]}"

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

echo "== Package: the installed program without a display"
status=0
err=$(cd / && "${runas[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM zx-setup 2>&1 >/dev/null) || status=$?
sed 's/^/  | /' <<<"$err"
[ "$status" -eq 1 ] && [ "$err" = "zx-setup: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); on a system without a screen use zx-setup-cli" ] \
  || { echo "without a display zx-setup ended with status $status and did not say why in one line"; exit 1; }

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
# The _zxsetup account stays, as Debian leaves system users a package created.
echo "package installed, started and removed cleanly"
