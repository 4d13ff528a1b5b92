#!/usr/bin/env bash
# Checks the zsh and fish completions of tessary: their syntax, that they name
# every command and option the program's help lists, and the domain names they
# offer for a temporary data folder that the real program fills.
#   zsh-fish-completion-test.sh TESSARY ZSH_COMPLETION FISH_COMPLETION
set -euo pipefail
tessary=$1
zsh_completion=$2
fish_completion=$3

shells=()
command -v zsh >/dev/null && shells+=(zsh)
command -v fish >/dev/null && shells+=(fish)
if ((${#shells[@]} == 0)); then
    echo "SKIPPED: neither zsh nor fish is installed (scripts/install-deps.sh installs them)"
    exit 77
fi

source "$(dirname "$0")/temporary-home.sh" "$tessary"

tessary add example.com --inactive >/dev/null
tessary add https://shop.example.org/a --inactive >/dev/null
tessary add https://shop.example.org/b --inactive >/dev/null
ids=$(tessary list --json | grep -oE '"id":"[^"]*"' | cut -d'"' -f4 | LC_ALL=C sort)
uuid='^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$'

failures=0
fail() {
    echo "$*"
    failures=$((failures + 1))
}

commands=$(tessary --help | sed -n '/^Commands:/,/^$/p' | sed -nE 's/^  ([a-z]+).*/\1/p')
# The options of every command and the global ones, as the help texts list them.
options=$({
    tessary --help | sed -n '/^Global options:/,/^$/p'
    for command in $commands; do tessary "$command" --help; done
} | sed -nE 's/^ +(-[^ ].*)$/\1/p' | sed -E 's/  .*//' |
    grep -oE -- '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' | sed -E 's/^[ ,]//' | sort -u)

# What each file must hold for a command or an option: zsh spells them as
# written ('edit:...', --all), fish with -a, -l and -s (-a edit, -l all, -s o).
names_everything() { # SHELL FILE
    local command option
    for command in $commands; do
        case $1 in
            zsh) grep -qE "^ +['\"]$command:" "$2" ;;
            fish) grep -qE -- "-a $command( |$)" "$2" ;;
        esac || fail "the $1 completion lacks the command $command"
    done
    for option in $options; do
        case $1:$option in
            zsh:*) grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|$)" "$2" ;;
            fish:--*) grep -qE -- "-l ${option#--}( |$)" "$2" ;;
            fish:-*) grep -qE -- "-s ${option#-}( |$)" "$2" ;;
        esac || fail "the $1 completion lacks the option $option"
    done
}

domains_expected=$(printf '%s\n' example.com https://shop.example.org/a https://shop.example.org/b |
    LC_ALL=C sort)

if [[ " ${shells[*]} " == *" zsh "* ]]; then
    zsh -n "$zsh_completion" || fail "zsh -n $zsh_completion failed"
    names_everything zsh "$zsh_completion"
    # The domain function alone, with _describe replaced by a printout of what
    # it would offer ("name:description", colons in names escaped).
    offered=$(zsh -f -c '
        source <(sed "\$d" "$1")
        _describe() { print -rl -- "${(@P)${@[-1]}}" }
        _tessary_command=tessary _tessary_data_dir= _tessary_domains' zsh "$zsh_completion")
    names=$(sed -E 's/([^\\]):.*/\1/; s/\\:/:/g' <<<"$offered" | LC_ALL=C sort)
    [[ $(grep -vE "$uuid" <<<"$names") == "$domains_expected" &&
        $(grep -E "$uuid" <<<"$names") == "$ids" ]] || fail "zsh offers the domains:"$'\n'"$offered"
fi

if [[ " ${shells[*]} " == *" fish "* ]]; then
    fish --no-execute "$fish_completion" || fail "fish --no-execute $fish_completion failed"
    names_everything fish "$fish_completion"
    complete_fish() {
        fish --no-config -c "source '$fish_completion'; complete -C '$1'" | cut -f1 | LC_ALL=C sort
    }
    [[ $(complete_fish "tessary ed") == edit ]] || fail "fish completes \"tessary ed\" with:"$'\n'"$(complete_fish "tessary ed")"
    names=$(complete_fish "tessary edit ")
    [[ $(grep -vE "$uuid" <<<"$names") == "$domains_expected" &&
        $(grep -E "$uuid" <<<"$names") == "$ids" ]] ||
        fail "fish completes \"tessary edit \" with:"$'\n'"$names"
    [[ -z $(complete_fish "tessary edit example.com ") ]] ||
        fail "fish offers a second domain to edit"
fi

if ((failures)); then
    echo "$failures problems"
    exit 1
fi
echo "checked the completions of: ${shells[*]}"
