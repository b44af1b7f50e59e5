#!/bin/sh
# Boots Debian's cloud kernel in QEMU with an initramfs holding busybox, the
# HID modules, the uhid calculator and usblink-cli, and passes when the guest
# reports that every check passed.
# Usage: run-vm-test.sh CLI DEVICE GUEST_INIT FETCH_SCRIPT WORK_DIR
# Exits 77 (skipped) when QEMU or a static busybox is missing.
set -eu
cli=$1 device=$2 guest_init=$3 fetch=$4 work=$5

qemu=$(command -v qemu-system-x86_64 || true)
busybox=/bin/busybox
if [ -z "$qemu" ] ||
  ! dpkg-query -W -f='${Status}' busybox-static 2>/dev/null | grep -q "ok installed"; then
  echo "skipped: needs qemu-system-x86 and busybox-static (scripts/install-deps vm)"
  exit 77
fi

kernel=$("$fetch")

root="$work/initramfs"
rm -rf "$root"
mkdir -p "$root/bin" "$root/lib/modules" "$root/proc" "$root/sys" "$root/dev" "$root/tmp"
cp "$busybox" "$root/bin/busybox"
cp "$cli" "$root/bin/usblink-cli"
cp "$device" "$root/bin/usblink-vm-device"
cp "$guest_init" "$root/init"
chmod 755 "$root/init" "$root/bin/"*
cp "$kernel"/*.ko "$root/lib/modules/"
(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) >"$work/initramfs.cpio"

# Emulated, the guest's clock counts instructions and skips idle time, so
# the 1 ms waits between polls cost no real time. Hardware virtualisation,
# where there is some, runs in real time.
accel=tcg clock="-icount shift=auto,sleep=off"
if grep -qE 'vmx|svm' /proc/cpuinfo && [ -w /dev/kvm ]; then
  accel=kvm clock=""
fi
start=$(date +%s)
status=0
timeout 150 "$qemu" -accel "$accel" $clock -m 256 -nodefaults -nographic -serial stdio -no-reboot \
  -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
  -kernel "$kernel/vmlinuz" -initrd "$work/initramfs.cpio" \
  -append 'console=ttyS0 quiet panic=-1' </dev/null >"$work/console.log" 2>&1 || status=$?
cat "$work/console.log"
echo "VM run: $(($(date +%s) - start)) s, accel $accel, qemu exit $status"
# The guest writes its count of failed checks to the port: QEMU then ends
# with (count << 1) | 1, so 1 means that nothing failed.
[ "$status" -eq 1 ]
