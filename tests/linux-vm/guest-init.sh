#!/bin/busybox sh
# /init of the VM test's guest: loads the HID stack, plays the calculator
# through uhid and runs usblink-cli against it through /dev/hidraw*.
. /lib/guest-common.sh

# The whole log, as the checks below read it.
cli="usblink-cli --fast -v"

# The calculator alone, at /dev/hidraw0.
start_device
check connect 0 $cli connect
says connect "    /dev/hidraw0"
says connect "The equipment has been found！"
head -c 262144 /dev/urandom >image.UD
check download 0 $cli download image.UD
check read 0 $cli read readback.bin
cmp image.UD readback.bin || fail "read-back differs from the image"
check verify 0 $cli verify image.UD
# A second usblink while the first downloads: the node is the first one's.
$cli download image.UD >first.log 2>&1 &
first=$!
for _ in $(seq 500); do
  grep -qF "Downloading file" first.log && break
  sleep 0.01
done
check inuse 9 $cli connect
says inuse "The process cannot access the file because it is being used by another process."
says inuse "is in use by another program"
wait "$first" || fail "the download beside it: exit $?"
# The node is root's: another user is refused, and told so.
check unprivileged 10 usblink-vm-device unprivileged $cli connect
says unprivileged "Access is denied."
says unprivileged "70-usblink.rules"
stop_device

# Another HID device first (hidraw0), the calculator behind it falling silent
# after the handshake and four blocks: 3 + 4 * 6 commands.
head -c 8192 /dev/urandom >small.UD
start_device --other-first --silent-after 27
check silent 6 $cli download small.UD
says silent "    /dev/hidraw0"
says silent "CloseHandle（Close the interface）"
says silent "    /dev/hidraw1"
says silent "PC Timeout Error! "
stop_device

finish
