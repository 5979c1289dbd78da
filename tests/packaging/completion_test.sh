#!/usr/bin/env bash
# Drives the bash completion of orvlog as bash would: for each line of the
# table below, the words typed so far (the cursor after the last one, which
# may be empty) and what the completion must offer, sorted. Files are
# completed in a scratch folder holding a.mld, b.log, c.txt and sub/.
#   completion_test.sh COMPLETION_SCRIPT
set -u
script=$1
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion || exit 1
# shellcheck source=/dev/null
source "$script" || exit 1

# compopt works only while bash runs a completion for the user.
compopt() { :; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
touch a.mld b.log c.txt
mkdir sub

# Prints what the completion offers for the words in "$@", sorted, on one line.
offers() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _orvlog orvlog "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

failed=0
check() {
    local want=$1
    shift
    local got
    got=$(offers "$@")
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$*' offers '$got', expected '$want'"
        failed=1
    fi
}

#     expected offers                        words typed
check 'import'                                orvlog im
check 'export-html'                           orvlog ex
check '--help --version'                      orvlog --
check 'a.mld sub'                             orvlog tree ''
check 'a.mld sub'                             orvlog tree -- ''
check ''                                      orvlog show a.mld ''
check 'sub'                                   orvlog export-html a.mld ''
check 'b.log c.txt sub'                       orvlog import -o x.mld ''
check 'b.log c.txt sub'                       orvlog import -o x.mld b.log ''
check 'a.mld sub'                             orvlog import -o ''
check 'a.mld sub'                             orvlog import --into ''
check 'overwrite'                             orvlog import --duplicates o
check 'euc-jp'                                orvlog import --encoding e
check 'a.mld sub'                             orvlog find x ''
check 'a.mld sub'                             orvlog find x a.mld ''
check '--help --read --unread'                orvlog mark a.mld --
check '--duplicates --encoding --help --into -o' orvlog import -
check 'case kana width'                       orvlog search a.mld x --ignore ''
check 'case,kana case,width'                  orvlog search a.mld x --ignore case,
check 'case,width'                            orvlog search a.mld x --ignore case,w
check 'title,author title,content title,id'   orvlog search a.mld x --in title,''
check ''                                      orvlog search a.mld x --from ''
check '--all'                                 orvlog search a.mld --al
check ''                                      orvlog search a.mld x ''
check 'a.mld sub'                             orvlog search --all ''
check ''                                      orvlog nosuch ''

if ((failed)); then exit 1; fi
echo "completion: all cases pass"
