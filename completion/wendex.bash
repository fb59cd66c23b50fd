# bash completion for wendex: its slash switches after '/', the attribute
# letters after "/:"; anything else (a mask, c:/home/...) is left to bash's
# own completion of file names. Installed as
# share/bash-completion/completions/wendex.
#
# A word that begins with '/' is always a switch to wendex (an absolute path
# is typed c:/... or \...), so only switches are offered for one.

_wendex_switches='/. // /: /a /a- /aa /b /b- /B /B- /c /c- /d /e /f /g /n /p /q /s /t /t-
/total /u /w /w- /x /x- /y /y- /z /z-'

_wendex()
{
    # The word as typed: bash splits words at ':' too, and "/:rh" is one.
    local line=${COMP_LINE:0:COMP_POINT}
    local word=${line##*[[:space:]]}
    local -a candidates=()
    case $word in
    /:*)
        # "/:" and the letters a, r, h and s, each once. '&' (all of them) is
        # the shell's own unless quoted, so it is left to the user to type.
        local letter
        for letter in a r h s; do
            [[ ${word:2} == *"$letter"* ]] || candidates+=("$word$letter")
        done
        ;;
    /*)
        local switch
        for switch in $_wendex_switches; do
            [[ $switch == "$word"* ]] && candidates+=("$switch")
        done
        ;;
    *)
        COMPREPLY=()
        return 0
        ;;
    esac
    # Where bash split the word at a ':', it replaces only what follows it.
    local split=${COMP_WORDS[COMP_CWORD]}
    local cut=$((${#word} - ${#split}))
    if [[ $split == : ]]; then
        cut=${#word}
    fi
    COMPREPLY=()
    local candidate
    for candidate in "${candidates[@]}"; do
        COMPREPLY+=("${candidate:cut}")
    done
    # "/:" goes on with its letters: no blank after it.
    if [[ ${#candidates[@]} -eq 1 && ${candidates[0]} == /: ]]; then
        compopt -o nospace 2>/dev/null
    fi
}

complete -o bashdefault -o default -F _wendex wendex
