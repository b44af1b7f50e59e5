# Sourced by each guest's /init: the guest's file systems and modules, and the
# helpers its checks share. Failed checks are counted in $failed; `finish`
# hands the count to the host through the debug-exit port.
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

for module in $(cat /lib/modules/order); do
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

finish() {
  echo "== $failed failed"
  usblink-vm-device exit "$failed"
}
