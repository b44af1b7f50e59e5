#!/bin/sh
# Makes the manual page usblink-cli(1) from the program's own help. help2man
# reads --help, where the commands and the exit statuses become sections of
# their own, with the simulated calculator's page (--help-simulate) between
# the options and the exit statuses; INCLUDE adds the sections that no help
# page holds. The commands then move before the options, as a reader looks
# for them first.
# Usage: usblink-cli-man.sh CLI INCLUDE OUT
set -eu
cli=$1 include=$2 out=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What help2man runs in place of the program.
cat >"$work/usblink-cli" <<WRAPPER
#!/bin/sh
[ "\$1" != --version ] || exec "$cli" --version
"$cli" --help | sed -e 's/^Commands:\$/*Commands*/' -e '/^Exit status:\$/,\$d'
printf '*Simulated calculator*\n'
"$cli" --help-simulate | sed -e 1d -e '/^Simulated calculator (with --simulate):\$/d'
printf '\n*Exit status*\n'
"$cli" --help | sed -e '1,/^Exit status:\$/d'
WRAPPER
chmod +x "$work/usblink-cli"
help2man --no-info --no-discard-stderr --include "$include" --output "$work/page" \
  "$work/usblink-cli"

# The COMMANDS section, from its heading to the next, goes before OPTIONS.
awk '
  /^\.SH / { inCommands = ($0 == ".SH COMMANDS") }
  inCommands { commands = commands $0 "\n"; next }
  { lines[++count] = $0 }
  END {
    for (i = 1; i <= count; i++) {
      if (lines[i] == ".SH OPTIONS") printf "%s", commands
      print lines[i]
    }
  }' "$work/page" >"$out"
