#!/bin/sh
# The README's tour of the simulated calculator, run as it stands: the lines
# of the code block between its two markers, in an empty folder, with the
# usblink-cli under test first on the PATH. Every line must succeed, and the
# download, the verify and the read must each keep the flash (--sim-keep).
# Usage: readme-tour.sh README USBLINK_CLI
set -eu
readme=$1
cli=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed -n '/^<!-- tour begins/,/^<!-- tour ends/p' "$readme" | grep -v '^<!--' | grep -v '^```' \
  >"$work/tour.sh"
for command in download verify read; do
  grep -q -- "--sim-keep .* $command " "$work/tour.sh" ||
    { echo "the tour has no $command with --sim-keep:" >&2; cat "$work/tour.sh" >&2; exit 1; }
done
mkdir "$work/bin" "$work/folder"
ln -s "$cli" "$work/bin/usblink-cli"
cd "$work/folder"
PATH="$work/bin:$PATH" sh -eu "$work/tour.sh" >"$work/output" 2>&1 ||
  { status=$?; cat "$work/output" >&2; echo "the tour failed with $status" >&2; exit 1; }
