#!/usr/bin/env bash
# The serial step against the real kernel: boots Debian 12's own kernel
# (the linux-image-amd64 package's image) in QEMU, without KVM, with 16550A
# UARTs at three of the card's eight addresses, and checks inside the guest
# that the setserial commands zx-setup-cli linux prints, and its --apply,
# leave those ports working at the baud rate asked for (bytes written drain,
# the IRQ count rises, the divisor fits the clock), that the other five are
# reported as not answering, that a kernel booted without 8250.nr_uarts gets
# the missing-lines advice first, and that lockdown is named. The guest
# reports through its serial console. Downloads are kept in the build folder.
#   bash tools/kernel-serial-check.sh        # BUILD_DIR defaults to build (the default preset)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-$root/build}
cache=$BUILD_DIR/kernel-check
mkdir -p "$cache"

# The guest has no libraries of its own for busybox: only the static one will do.
bash tools/apt-install.sh qemu-system-x86 busybox-static setserial

[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake --preset default >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target zx-setup-cli >/dev/null
cli=$BUILD_DIR/src/cli/zx-setup-cli

# The kernel: the image package that linux-image-amd64 depends on, once.
image=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
if [ -z "$image" ]; then
  apt-get update -qq
  image=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
fi
deb=$(ls "$cache/${image}"_*.deb 2>/dev/null | head -n1 || true)
if [ -z "$deb" ]; then
  (cd "$cache" && apt-get download -qq -o APT::Sandbox::User=root "$image")
  deb=$(ls "$cache/${image}"_*.deb | head -n1)
fi
vmlinuz=$cache/vmlinuz-${image#linux-image-}
if [ ! -s "$vmlinuz" ]; then
  rm -rf "$cache/image"
  dpkg-deb -x "$deb" "$cache/image"
  cp "$cache/image/boot/vmlinuz-${image#linux-image-}" "$vmlinuz"
  rm -rf "$cache/image"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The initramfs: busybox, Debian's setserial, the tool and the libraries it needs.
fs=$work/fs
mkdir -p "$fs"/{bin,dev,proc,sys,tmp}
cp /bin/busybox /bin/setserial "$fs/bin/"
cp "$cli" "$fs/bin/zx-setup-cli"
for lib in $( (ldd "$cli"; ldd /bin/setserial) | awk '/=> \// {print $3} /^[ \t]*\// {print $1}' | sort -u); do
  mkdir -p "$fs$(dirname "$lib")"
  cp -L "$lib" "$fs$lib"
done
cat >"$fs/init" <<'GUEST'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs dev /dev
cd /tmp
fails=0
pass() { echo "ZXCHECK PASS $*"; }
fail() { echo "ZXCHECK FAIL $*"; fails=$((fails + 1)); }
check() { # name command...
  name=$1
  shift
  if "$@" >/tmp/check.out 2>&1; then pass "$name"; else fail "$name"; sed 's/^/    /' /tmp/check.out; fi
}
# The card's eight ports; the emulated UARTs sit at 108, 120 and 138 (B, E, H: ttyS5, ttyS8, ttyS11).
ports=100,108,110,118,120,128,130,138
answering="5:108 8:120 11:138"
silent="4 6 7 9 10"

inb() { dd if=/dev/port bs=1 skip=$(($1)) count=1 2>/dev/null | od -An -tu1 | tr -d ' \n'; }
outb() { printf "\\$(printf %o "$2")" | dd of=/dev/port bs=1 seek=$(($1)) count=1 conv=notrunc 2>/dev/null; }
# The UART's divisor latch, read with DLAB set and LCR restored.
divisor() {
  lcr=$(inb $(($1 + 3)))
  outb $(($1 + 3)) $((lcr | 128))
  lo=$(inb $1)
  hi=$(inb $(($1 + 1)))
  outb $(($1 + 3)) "$lcr"
  echo $((hi * 256 + lo))
}
tx() { sed -n "s/^$1: .* tx:\([0-9]*\) .*/\1/p" /proc/tty/driver/serial; }
irqs() { awk '$1 == "5:" {print $2}' /proc/interrupts; }
type_of() { cat /sys/class/tty/ttyS$1/type; }

# Bytes written at 9600 baud drain (the driver sent them all, interrupt-driven),
# the IRQ count rises, and the divisor is the clock's.
works() { # tty address divisor
  before=$(tx $1) count=$(irqs)
  stty -F /dev/ttyS$1 9600 raw -echo || return 1
  timeout 10 sh -c "printf 'zx-check ttyS$1 $3\n' >/dev/ttyS$1" || { echo "ttyS$1: the write did not drain"; return 1; }
  sent=$(($(tx $1) - before))
  [ "$sent" -eq $((${#1} + ${#3} + 15)) ] || { echo "ttyS$1: $sent bytes sent"; return 1; }
  [ "$(irqs)" -gt "$count" ] || { echo "ttyS$1: IRQ 5 count stayed at $count"; return 1; }
  got=$(divisor $(($2)))
  [ "$got" -eq "$3" ] || { echo "ttyS$1: divisor $got, not $3"; return 1; }
}

commands_work() {
  zx-setup-cli linux --ports $ports --irq 5 >plan.txt || return 1
  grep '^setserial /dev/ttyS' plan.txt >commands.sh
  [ "$(wc -l <commands.sh)" -eq 8 ] || { cat plan.txt; return 1; }
  sh -e commands.sh || return 1
  for line in $answering; do
    [ "$(type_of ${line%%:*})" = 4 ] || { setserial -g /dev/ttyS${line%%:*}; return 1; }
    works ${line%%:*} 0x${line#*:} 12 || return 1
  done
}

silent_ports() { # the ports without a UART stay without one, and are said to be so
  for tty in $silent; do
    [ "$(type_of $tty)" = 0 ] || return 1
  done
  setserial -g /dev/ttyS4 | grep -q 'UART: unknown'
}

apply_x8() {
  zx-setup-cli linux --ports $ports --irq 5 --clock x8 --apply >apply.txt
  status=$?
  cat apply.txt
  [ $status -eq 1 ] || { echo "status $status"; return 1; }
  for port in 100 110 118 128 130; do
    grep -q "nothing answers at $port\$" apply.txt || return 1
  done
  [ "$(grep -c ' 16550A$' apply.txt)" -eq 3 ] || return 1
  for line in $answering; do
    [ "$(cat /sys/class/tty/ttyS${line%%:*}/uartclk)" = 14745600 ] || return 1
    works ${line%%:*} 0x${line#*:} 96 || return 1
  done
}

serial_conf() { # the kept lines, as Debian's etc-setserial applies them at boot
  zx-setup-cli linux --ports $ports --irq 5 --serial-conf >serial.conf 2>/dev/null || return 1
  setserial /dev/ttyS5 port 0 irq 0 uart none || return 1
  [ "$(type_of 5)" = 0 ] || return 1
  grep -v '^#' serial.conf | while read -r device args; do setserial -z $device $args || exit 1; done || return 1
  [ "$(type_of 5)" = 4 ] && works 5 0x108 12
}

console_kept() { # the console's line is never proposed, and its address and IRQ are named
  zx-setup-cli linux --ports 3f8,108,110,118,120,128,130,138 --irq 4 --first-tty 0 >conflict.txt || return 1
  cat conflict.txt
  ! grep -q '^setserial /dev/ttyS0 ' conflict.txt &&
    grep -q 'port A at 3F8 is where the kernel has ttyS0' conflict.txt &&
    grep -q "IRQ 4 is ttyS0's" conflict.txt
}

missing_lines() {
  zx-setup-cli linux --ports $ports --irq 5 >plan.txt || return 1
  head -n1 plan.txt | grep -q '^First the kernel needs more serial lines: .* 8250.nr_uarts=12 ' || { cat plan.txt; return 1; }
  zx-setup-cli linux --ports $ports --irq 5 --apply >/dev/null 2>apply.err
  status=$?
  cat apply.err
  [ $status -eq 3 ]
}

locked_down() { # lockdown refuses every move, and the tool says so first and names it
  zx-setup-cli linux --ports $ports --irq 5 >plan.txt || return 1
  head -n1 plan.txt | grep -q '^The kernel is locked down (mode "integrity"' || { cat plan.txt; return 1; }
  grep '^setserial /dev/ttyS5 ' plan.txt >command.sh
  ! sh command.sh 2>setserial.err && grep -q 'Operation not permitted' setserial.err || { cat setserial.err; return 1; }
  zx-setup-cli linux --ports $ports --irq 5 --apply >/dev/null 2>apply.err
  status=$?
  cat apply.err
  [ $status -eq 3 ] && grep -q 'the kernel is locked down (mode "integrity"' apply.err && [ "$(type_of 5)" = 0 ]
}

case " $(cat /proc/cmdline) " in
*" zxcheck=lines "*)
  check "printed commands: the ports with a UART work at 9600 baud, X1 divisor 12" commands_work
  check "printed commands: the ports without a UART answer nothing" silent_ports
  check "--apply --clock x8: three ports answer, five do not (status 1), X8 divisor 96" apply_x8
  check "--serial-conf lines applied as at boot" serial_conf
  check "--first-tty 0 leaves the console; its address and IRQ are warned of" console_kept
  ;;
*" zxcheck=locked "*)
  mount -t securityfs securityfs /sys/kernel/security
  check "lockdown: noted first; setserial and --apply refused (status 3), the cause named" locked_down
  ;;
*" zxcheck=nolines "*)
  check "without 8250.nr_uarts: the kernel parameter first, --apply refused (status 3)" missing_lines
  ;;
esac
echo "ZXCHECK END $fails"
# Without ACPI nothing powers the machine off; QEMU ends at the reboot (-no-reboot).
reboot -f
GUEST
chmod +x "$fs/init"
(cd "$fs" && find . | busybox cpio -o -H newc 2>/dev/null) | gzip -1 >"$work/initrd.gz"

failed=0
boot() { # name extra-kernel-parameters
  log=$work/$1.log
  rm -f "$work"/uart-*.out
  local devices=()
  for io in 0x108 0x120 0x138; do
    devices+=(-chardev "file,id=u$io,path=$work/uart-$io.out" -device "isa-serial,iobase=$io,irq=5,chardev=u$io")
  done
  # acpi=off: the firmware announces no serial ports of its own; noapic: without
  # ACPI the IO-APIC would deliver nothing on ISA IRQ 5.
  timeout 110 qemu-system-x86_64 -m 256 -display none -monitor none -serial "file:$log" -no-reboot \
    -kernel "$vmlinuz" -initrd "$work/initrd.gz" \
    -append "console=ttyS0 acpi=off noapic quiet panic=-1 zxcheck=$1 $2" "${devices[@]}" || true
  grep -a '^ZXCHECK\|^    ' "$log" | tr -d '\r' || true
  if ! grep -aq '^ZXCHECK END 0' "$log"; then
    grep -aq '^ZXCHECK END' "$log" || { echo "-- the guest did not finish; its console:"; tail -n 40 "$log"; }
    failed=1
  fi
}

start=$SECONDS
echo "-- $image, with 8250.nr_uarts=12"
boot lines 8250.nr_uarts=12
# What the guest wrote reached the emulated UARTs: B and E and H at both clocks.
for io in 0x108 0x120 0x138; do
  tty=$(( (io - 0x100) / 8 + 4 ))
  for divisor in 12 96; do
    if grep -aq "zx-check ttyS$tty $divisor" "$work/uart-$io.out"; then
      echo "ZXCHECK PASS UART at $io received ttyS$tty's bytes (divisor $divisor)"
    else
      echo "ZXCHECK FAIL UART at $io did not receive ttyS$tty's bytes (divisor $divisor)"
      failed=1
    fi
  done
done
echo "-- $image, without 8250.nr_uarts"
boot nolines ""
echo "-- $image, locked down"
boot locked "8250.nr_uarts=12 lockdown=integrity"
echo "-- $((SECONDS - start)) s"
if ((failed)); then
  echo "Kernel serial check FAILED"
  exit 1
fi
echo "Kernel serial check passed"
