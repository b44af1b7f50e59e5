#!/bin/busybox sh
# /init of the VM test's guest: loads the HID stack, plays the calculator
# through uhid and runs usblink-cli against it through /dev/hidraw*.
# The number of failed checks goes to the host through the debug-exit port.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
cd /tmp

failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

for module in hid hid-generic uhid; do
  insmod "/lib/modules/$module.ko" || fail "insmod $module"
done

# check NAME STATUS COMMAND...: runs the command, its output in NAME.log.
check() {
  name=$1 want=$2
  shift 2
  start=$(date +%s)
  "$@" >"$name.log" 2>&1
  got=$?
  echo "== $name: exit $got, wanted $want ($(($(date +%s) - start)) s)"
  if [ "$got" -ne "$want" ]; then
    fail "$name"
    tail -n 25 "$name.log"
  fi
}

# says NAME TEXT: the output of check NAME holds TEXT.
says() {
  grep -qF -- "$2" "$1.log" || fail "$1 does not say: $2"
}

# start_device ARGS...: plays the devices until stop_device.
start_device() {
  rm -f ready
  usblink-vm-device serve --ready ready "$@" &
  device=$!
  for _ in $(seq 500); do
    [ -f ready ] && return 0
    sleep 0.01
  done
  fail "devices did not appear: usblink-vm-device serve $*"
}
stop_device() {
  kill "$device"
  wait "$device" 2>/dev/null
}

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
check unprivileged 3 usblink-vm-device unprivileged $cli connect
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

echo "== $failed failed"
usblink-vm-device exit "$failed"
