# bash completion for orvlog                               -*- shell-script -*-

# What orvlog takes, one line per command and option. The test
# tests/packaging/cli_docs_test.py compares this table with `orvlog --help`
# and each command's --help, so a command or option added to orvlog without
# its line here fails the tests.
#
#   COMMAND  OPTION    VALUES
#
# OPTION "operands" gives the command's operands in order (a last one
# ending in "..." repeats). VALUES are the words an option takes (a single
# word with commas is a list, completed item by item), or a kind: <mld> a
# document, <log> a log, <dir> a folder, <number> and <text> typed by the
# user. An option without VALUES is a flag.
_orvlog_table='
import       operands      <log>...
import       -o            <mld>
import       --into        <mld>
import       --duplicates  stop overwrite
import       --encoding    auto cp932 utf-8 euc-jp iso-2022-jp
tree         operands      <mld>
show         operands      <mld> <number>
dump         operands      <mld>
search       operands      <mld> <text>
search       --from        <number>
search       --prev
search       --in          title,content,author,id
search       --ignore      case,width,kana
search       --all
search       --count
search       --ranges
export-html  operands      <mld> <dir>
find         operands      <text> <mld>...
find         --in          title,content,author,id
find         --ignore      case,width,kana
find         --count
find         --no-index
index        operands      <mld>...
unread       operands      <mld>
mark         operands      <mld> <number>...
mark         --read
mark         --unread
'
# The options of orvlog itself, given instead of a command.
_orvlog_global_options='--help --version'

# Completes cur as one value of the kind or word list in $*.
_orvlog_complete_value() {
    local cur=$1
    shift
    case $1 in
    '<mld>' | '<mld>...') _filedir mld ;;
    '<log>' | '<log>...') _filedir '@(log|LOG|txt|TXT)' ;;
    '<dir>') _filedir -d ;;
    '<'*) ;;
    *,*)
        # A list: complete the item after the last comma, leaving out the
        # items already given.
        local prefix="" item
        [[ $cur == *,* ]] && prefix=${cur%,*},
        local -a items=()
        for item in ${1//,/ }; do
            [[ ,$prefix == *,$item,* ]] || items+=("$item")
        done
        COMPREPLY=($(compgen -P "$prefix" -W "${items[*]}" -- "${cur##*,}"))
        [[ ${#COMPREPLY[@]} -eq 1 ]] && compopt -o nospace
        ;;
    *) COMPREPLY=($(compgen -W "$*" -- "$cur")) ;;
    esac
}

_orvlog() {
    local cur prev words cword
    _init_completion || return

    local command=${words[1]} cmd opt rest
    local -a commands=() options=() operands=()
    # The values of each option of the command, by "=" and the option's name.
    local -A values=()
    while read -r cmd opt rest; do
        [[ -n $cmd ]] || continue
        [[ " ${commands[*]} " == *" $cmd "* ]] || commands+=("$cmd")
        [[ $cmd == "$command" ]] || continue
        if [[ $opt == operands ]]; then
            read -ra operands <<<"$rest"
        else
            options+=("$opt")
            [[ -n $rest ]] && values[=$opt]=$rest
        fi
    done <<<"$_orvlog_table"

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "${commands[*]} $_orvlog_global_options" -- "$cur"))
        return
    fi

    # Where the cursor stands: the value of an option, an option, or the
    # n-th operand ("--" ends the options).
    local i n=0 ended=""
    for ((i = 2; i < cword; i++)); do
        if [[ -z $ended && ${words[i]} == -- ]]; then
            ended=1
        elif [[ -z $ended && -n ${values[=${words[i]}]+set} ]]; then
            ((i++))
        elif [[ -n $ended || ${words[i]} != -[!0-9]* ]]; then
            ((n++))
        fi
    done
    if [[ -z $ended && -n ${values[=$prev]+set} ]] && ((cword > 2)); then
        _orvlog_complete_value "$cur" ${values[=$prev]}
        return
    fi
    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options[*]} --help" -- "$cur"))
        return
    fi
    ((${#operands[@]} == 0)) && return
    local last=$((${#operands[@]} - 1))
    if ((n > last)); then
        [[ ${operands[last]} == *... ]] || return
        n=$last
    fi
    _orvlog_complete_value "$cur" "${operands[n]}"
}
complete -F _orvlog orvlog
