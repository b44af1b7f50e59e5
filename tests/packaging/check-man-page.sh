#!/bin/sh
# Holds the manual page usblink-cli(1) against the program's help: its
# sections in their order, and every command, every option of --help and
# --help-simulate and every exit status of the help in it.
# Usage: check-man-page.sh PAGE_GZ USBLINK_CLI
set -u
page=$1 cli=$2
skipped=77
[ -r "$page" ] ||
  { echo "no manual page: help2man is missing (scripts/install-deps build)"; exit "$skipped"; }
failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

# The roff source without its font changes and escaped hyphens.
text=$(zcat "$page" | sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g')

sections=$(printf '%s\n' "$text" | sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' | paste -sd '|')
expected='NAME|SYNOPSIS|DESCRIPTION|COMMANDS|OPTIONS|SIMULATED CALCULATOR|EXIT STATUS|ENVIRONMENT|FILES|EXAMPLES|SEE ALSO'
[ "$sections" = "$expected" ] || fail "sections: $sections, not $expected"

# An option line of a help page starts with its names: "  -q, --quiet ...".
help=$("$cli" --help; "$cli" --help-simulate)
for option in $(printf '%s\n' "$help" | grep -o -- '^  -[-a-zA-Z, ]*' | grep -o -- '-[-a-zA-Z]*'); do
  printf '%s\n' "$text" | grep -q -- "$option\\b" || fail "option $option missing"
done
for command in $(printf '%s\n' "$help" | sed -n '/^Commands:$/,/^$/s/^  \([a-z]\{1,\}\) .*/\1/p'); do
  printf '%s\n' "$text" | grep -q "^$command\\b" || fail "command $command missing"
done
for status in $(printf '%s\n' "$help" | sed -n '/^Exit status:$/,$s/^ *\([0-9]\{1,\}\)  .*/\1/p'); do
  printf '%s\n' "$text" | grep -q "^$status\\b" || fail "exit status $status missing"
done

[ "$failures" -eq 0 ] || exit 1
echo "manual page ok"
