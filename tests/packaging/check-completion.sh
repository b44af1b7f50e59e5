#!/bin/bash
# Holds the bash completion of usblink-cli against the program's help: it
# offers the commands and the options the help lists, no others; an option the
# help shows with a value takes the next word as that value, any other option
# does not; and a command's FILE is completed from the files there.
# Usage: check-completion.sh USBLINK_CLI COMPLETION_FILE
set -u
cli=$1 completion=$2
skipped=77
bash_completion=/usr/share/bash-completion/bash_completion
[ -r "$bash_completion" ] ||
  { echo "bash-completion is missing: scripts/install-deps package"; exit "$skipped"; }
# shellcheck source=/dev/null
. "$bash_completion"
# shellcheck source=/dev/null
. "$completion"

failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

help=$("$cli" --help) || { echo "usblink-cli --help failed"; exit 1; }
# Help pages of their own that --help names (--help-NAME) hold options too.
for page in $(grep -o -- '--help-[a-z]*' <<<"$help" | sort -u); do
  help+=$'\n'$("$cli" "$page")
done

# An option line starts with its names, "-q, --quiet" or "--log FILE", and
# keeps two blanks before what it does. Prints "NAME" or "NAME VALUE" a line.
help_options() {
  grep -E '^[[:space:]]+-' <<<"$help" | sed -E 's/^[[:space:]]+//; s/ {2,}.*//' |
    tr ',' '\n' | sed -E 's/^ +//; s/=/ /' | grep -E '^-'
}
# The first word of each line in the section "Commands:" up to a blank line;
# a line that goes on with the text before it is indented further.
help_commands() {
  sed -n '/^\(Sub\)\?[Cc]ommands:/,/^$/p' <<<"$help" | sed -n 's/^ \{1,4\}\([a-z][a-z-]*\).*/\1/p'
}

# What the completion offers for the words given, the last being the one
# under the cursor: one a line, sorted.
complete_words() {
  COMP_WORDS=(usblink-cli "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_LINE=${COMP_LINE// = /=} # bash splits "--log=FILE" into three words
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _usblink_cli usblink-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort -u
}

same() { # what, expected, offered
  [ "$2" = "$3" ] || fail "$1 differ from the help:"$'\n'"$(diff <(echo "$2") <(echo "$3"))"
}

names=$(help_options | cut -d' ' -f1 | sort -u)
commands=$(help_commands | sort -u)
[ -n "$names" ] && [ -n "$commands" ] || { echo "no options or commands found in the help"; exit 1; }

# In an empty folder a file's value has nothing to offer either.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1

same "options offered for -" "$names" "$(complete_words -)"
same "commands offered" "$commands" "$(complete_words '')"
while read -r name value; do
  offered=$(complete_words "$name" '')
  if [ -n "$value" ]; then
    [ -z "$offered" ] || fail "$name takes $value, yet the completion offers: $offered"
  else
    [ "$offered" = "$commands" ] || fail "$name takes no value, yet the commands are not offered"
  fi
done < <(help_options)

touch image.UD notes.txt
same "files offered for download" "image.UD" "$(complete_words download '')"
same "files offered for read" "$(printf 'image.UD\nnotes.txt')" "$(complete_words read '')"
same "words offered after the command's file" "" "$(complete_words download image.UD '')"
same "files offered for --log=" "$(printf 'image.UD\nnotes.txt')" "$(complete_words --log = '')"

[ "$failures" -eq 0 ] || exit 1
echo "completion ok: $(wc -l <<<"$names") options, $(wc -l <<<"$commands") commands"
