# bash completion for usblink-cli: its commands, its options, and files where
# they are asked for. tests/packaging/check-completion.sh holds these lists
# against what `usblink-cli --help` prints.

# True when WORD is one of the words after it.
_usblink_cli_one_of() {
    local word=$1 candidate
    shift
    for candidate; do [[ $word == "$candidate" ]] && return 0; done
    return 1
}

_usblink_cli() {
    local cur prev words cword split
    _init_completion -s || return

    local commands=(list connect check download read verify station)
    local flags=(--simulate --force --all --json -q --quiet -v --verbose --fast -h --help
        --help-simulate --version --sim-absent)
    local file_options=(--backup --log --sim-flash --sim-keep --sim-save --sim-descriptor)
    local value_options=(--wait --device --count --idle --sim-busy --sim-status --sim-bad-bank
        --sim-identity --sim-type --sim-flash-id --sim-silent-after --sim-unplug-after --sim-others
        --sim-locked --sim-ids --sim-slow-read --sim-calculators --sim-fault-on --sim-arrive-every
        --sim-serials)

    if _usblink_cli_one_of "$prev" "${file_options[@]}"; then
        _filedir
        return
    fi
    # A number or a text nobody can guess.
    _usblink_cli_one_of "$prev" "${value_options[@]}" && return
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${flags[*]} ${file_options[*]} ${value_options[*]}" -- "$cur"))
        return
    fi

    # The words that are neither options nor their values: the command, then its file.
    local i positional=()
    for ((i = 1; i < cword; i++)); do
        if _usblink_cli_one_of "${words[i]}" "${file_options[@]}" "${value_options[@]}"; then
            ((i++))
        elif [[ ${words[i]} != -* ]]; then
            positional+=("${words[i]}")
        fi
    done
    case ${#positional[@]}:${positional[0]-} in
        0:) COMPREPLY=($(compgen -W "${commands[*]}" -- "$cur")) ;;
        1:check | 1:download | 1:verify | 1:station) _filedir '@(UD|ud)' ;;
        1:read) _filedir ;;
    esac
} &&
    complete -F _usblink_cli usblink-cli
