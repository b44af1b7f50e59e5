#!/bin/busybox sh
# /init of the Wine guest: plays the calculator through uhid and runs
# usblink-cli.exe under Wine against it, through Wine's own HID stack
# (winebus on /dev/hidraw*, hidclass, hid.dll). Wine and its prefix come on
# the disk /dev/vda. With usblink.downloads=N on the kernel's command line,
# N downloads and verifies of a whole random image follow.
. /lib/guest-common.sh

root=/wine
for _ in $(seq 1000); do
  [ -b /dev/vda ] && break
  sleep 0.01
done
mkdir -p "$root"
mount -t ext4 /dev/vda "$root" || fail "mount /dev/vda"
for fs in dev proc sys; do
  mount -o bind "/$fs" "$root/$fs"
done
mount -t tmpfs tmpfs "$root/tmp"
cp /bin/usblink-cli.exe "$root/tmp/"
# Wine's services keep many descriptors open.
ulimit -n 65536

# in_wine_tree COMMAND...: runs a command of Wine's tree, in its setting.
in_wine_tree() {
  chroot "$root" /bin/busybox env -i PATH=/bin HOME=/root USER=root \
    LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu WINEPREFIX=/prefix WINEDEBUG=-all \
    WINESERVER=/usr/lib/wine/wineserver64 WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}
# The whole log, as the checks below read it.
cli="in_wine_tree /usr/lib/wine/wine64 /tmp/usblink-cli.exe -v"

start_device
in_wine_tree /usr/lib/wine/wineserver64 -p
# Wine's services start with its first program, and winebus then finds the
# calculator: list until it is there.
for _ in $(seq 30); do
  $cli list >list.log 2>&1
  grep -q "<- calculator" list.log && break
  sleep 1
done
says list "4FC:C77  \\\\?\\hid#vid_04fc&pid_0c77#"

check connect 0 $cli connect
says connect "    \\\\?\\hid#vid_04fc&pid_0c77#"
says connect "  Vendor ID: 4FC"
says connect "  Product ID: C77"
says connect "The equipment has been found！"
says connect "  Input Report Byte Length: 64"
says connect "  Output Report Byte Length: 64"
says connect "Connected to the device, you can download files！"
# Part of one bank: block writes, the bank's checksum and the commit.
head -c 8192 /dev/urandom >"$root/tmp/small.UD"
check download 0 $cli download /tmp/small.UD

downloads=$(sed -n 's/.*usblink\.downloads=\([0-9]*\).*/\1/p' /proc/cmdline)
for run in $(seq "${downloads:-0}"); do
  head -c 262144 /dev/urandom >"$root/tmp/image.UD"
  check "download-$run" 0 $cli download /tmp/image.UD
  check "verify-$run" 0 $cli verify /tmp/image.UD
done
stop_device

finish
