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

# Two calculators, each with a serial number of its own (HID_UNIQ): a run
# names one of them, or takes both at once.
start_device --calculators 2
check ambiguous 2 $cli connect
says ambiguous "SIM0001"
says ambiguous "/dev/hidraw1"
check selected 0 $cli -v --device SIM0002 connect
says selected "    /dev/hidraw1"
says selected "  Serial number: SIM0002"
# Each walk opens the other calculator too, and takes its node's lock while
# it does: the walks take turns, or one would find its calculator in use.
for round in 1 2 3 4 5; do
  check "allconnect$round" 0 $cli --all connect
done
check all 0 $cli --all download image.UD
says all "[1] "
says all "[2] "
check allread 0 $cli --all read flash.bin
cmp image.UD flash-SIM0001.bin || fail "calculator 1's flash differs from the image"
cmp image.UD flash-SIM0002.bin || fail "calculator 2's flash differs from the image"
stop_device

# A serial number holding an escape (ESC [ 2 J clears a terminal): the list,
# the --log file and the JSON show it with '?' in the escape's place, and
# --device names it by that text.
esc=$(printf '\033')
start_device --first-serial "E${esc}[2J"
check escapelist 0 $cli list
says escapelist "serial E?[2J"
check escapelog 0 $cli --log escape.log --device "E?[2J" connect
grep -qF "Serial number: E?[2J" escape.log || fail "escape.log does not say: Serial number: E?[2J"
check escapejson 0 $cli --json list
says escapejson '"serial":"E?[2J"'
for output in escapelist.log escapelog.log escape.log escapejson.log; do
  if grep -qF "$esc" "$output"; then fail "$output holds the escape"; fi
done
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
