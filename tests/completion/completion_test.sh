#!/usr/bin/env bash
# The bash completion of wendex, driven as bash drives it: each row is the
# command line typed so far, split into words at bash's own word breaks
# (COMP_WORDBREAKS holds ':'), and the replies the completion must give.
#   completion_test.sh COMPLETION_FILE
set -u
source "$1"
complete -p wendex >/dev/null || { echo "no completion for wendex"; exit 1; }

failed=0
check() { # LINE EXPECTED...
    local line=$1
    shift
    COMP_LINE=$line
    COMP_POINT=${#line}
    # The words as bash makes them: a ':' is a word of its own.
    read -ra COMP_WORDS <<< "${line//:/ : }"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _wendex
    if [[ "${COMPREPLY[*]}" != "$*" ]]; then
        echo "'$line': got '${COMPREPLY[*]}', expected '$*'"
        failed=1
    fi
}

check 'wendex /to' /total
check 'wendex /t' /t /t- /total
check 'wendex *.txt /a' /a /a- /aa
check 'wendex /B' /B /B-
check 'wendex //' //
check 'wendex /h'
check 'wendex /:' a r h s
check 'wendex /:rh' rha rhs
check 'wendex /:arhs'
# Masks and paths are bash's own to complete.
check 'wendex c:/ho'
check 'wendex '
check 'wendex sub\\'
exit $failed
