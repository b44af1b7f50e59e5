#!/bin/sh
# Boots Debian's cloud kernel in QEMU with an initramfs holding busybox, the
# kernel's HID and virtio modules, and the given programs, and passes when
# the guest reports that every check passed.
# Usage: run-vm-test.sh [OPTION...] GUEST_INIT FETCH_SCRIPT WORK_DIR NAME=PROGRAM...
#   each PROGRAM becomes the guest's /bin/NAME
#   --disk-from SCRIPT  the guest's /dev/vda is the image whose path SCRIPT
#                       prints; the guest's writes to it are dropped
#   --memory MB         the guest's memory (default 256)
#   --append TEXT       more for the kernel's command line (/proc/cmdline)
#   --timeout SECONDS   the longest the guest may run (default 150)
# Exits 77 (skipped) when QEMU or a static busybox is missing.
set -eu
disk_from="" memory=256 append="" limit=150
while [ $# -gt 0 ]; do
  case "$1" in
    --disk-from) disk_from=$2 ;;
    --memory) memory=$2 ;;
    --append) append=" $2" ;;
    --timeout) limit=$2 ;;
    *) break ;;
  esac
  shift 2
done
guest_init=$1 fetch=$2 work=$3
shift 3

qemu=$(command -v qemu-system-x86_64 || true)
busybox=/bin/busybox
if [ -z "$qemu" ] ||
  ! dpkg-query -W -f='${Status}' busybox-static 2>/dev/null | grep -q "ok installed"; then
  echo "skipped: needs qemu-system-x86 and busybox-static (scripts/install-deps vm)"
  exit 77
fi

kernel=$("$fetch")
disk=""
[ -z "$disk_from" ] || disk=$("$disk_from")

root="$work/initramfs"
rm -rf "$root"
mkdir -p "$root/bin" "$root/lib/modules" "$root/proc" "$root/sys" "$root/dev" "$root/tmp"
cp "$busybox" "$root/bin/busybox"
for program in "$@"; do
  cp "${program#*=}" "$root/bin/${program%%=*}"
done
cp "$guest_init" "$root/init"
cp "$(dirname "$0")/guest-common.sh" "$root/lib/"
chmod 755 "$root/init" "$root/bin/"*
cp "$kernel"/*.ko "$kernel/order" "$root/lib/modules/"
(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) >"$work/initramfs.cpio"
rm -rf "$root"
# From here on the arguments are the disk's, if there is one.
set --
[ -z "$disk" ] || set -- -drive "file=$disk,format=raw,if=virtio,snapshot=on"

# Emulated, the guest's clock counts instructions and skips idle time, so
# the 1 ms waits between polls cost no real time. Hardware virtualisation,
# where there is some, runs in real time.
accel=tcg clock="-icount shift=auto,sleep=off"
if grep -qE 'vmx|svm' /proc/cpuinfo && [ -w /dev/kvm ]; then
  accel=kvm clock=""
fi
start=$(date +%s)
status=0
timeout "$limit" "$qemu" -accel "$accel" $clock -m "$memory" -nodefaults -nographic -serial stdio -no-reboot \
  -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
  -kernel "$kernel/vmlinuz" -initrd "$work/initramfs.cpio" "$@" \
  -append "console=ttyS0 quiet panic=-1$append" </dev/null >"$work/console.log" 2>&1 || status=$?
rm -f "$work/initramfs.cpio"
cat "$work/console.log"
echo "VM run: $(($(date +%s) - start)) s, accel $accel, qemu exit $status"
# The guest writes its count of failed checks to the port: QEMU then ends
# with (count << 1) | 1, so 1 means that nothing failed.
[ "$status" -eq 1 ]
