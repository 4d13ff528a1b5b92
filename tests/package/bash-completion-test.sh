#!/usr/bin/env bash
# Runs the bash completion of tessary as bash-completion would, on a temporary
# data folder that the real program fills.
#   bash-completion-test.sh TESSARY COMPLETION_FILE
set -euo pipefail
tessary=$1
completion=$2

bash -n "$completion"

framework=/usr/share/bash-completion/bash_completion
if [[ ! -r $framework ]]; then
    echo "SKIPPED: bash-completion is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi

source "$(dirname "$0")/temporary-home.sh" "$tessary"

# The id `tessary add` prints: "Added URL (ID)".
add() { tessary add "$@" --inactive | sed -nE 's/^Added .* \(([0-9A-F-]+)\)$/\1/p'; }
example=$(add example.com)
shop_a=$(add https://shop.example.org/a)
shop_b=$(add https://shop.example.org/b)
other=$(add other.example --data-dir "$work/other")
[[ -n $example && -n $shop_a && -n $shop_b && -n $other ]] || {
    echo "tessary add printed no ids"
    exit 1
}

# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"

# The candidates for a command line whose last word is being completed (the
# words are separated by spaces, as typed), sorted, one per line.
candidates() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tessary tessary "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
    return 0
}

failures=0
expect() { # LINE EXPECTED...
    local line=$1
    shift
    local expected actual
    expected=$(if (($#)); then printf '%s\n' "$@" | LC_ALL=C sort; fi)
    actual=$(candidates "$line")
    if [[ $actual != "$expected" ]]; then
        echo "tessary completes \"$line\" with:"
        echo "${actual:-  (nothing)}" | sed 's/^/  /'
        echo "expected:"
        echo "${expected:-  (nothing)}" | sed 's/^/  /'
        failures=$((failures + 1))
    fi
}

# The long options a help text lists at the start of its lines.
long_options() {
    sed -nE 's/^ +(-[^ ].*)$/\1/p' | sed -E 's/  .*//' | grep -oE -- '--[A-Za-z0-9][A-Za-z0-9-]*'
}

# shellcheck disable=SC2046
expect "tessary --" $(tessary --help | sed -n '/^Global options:/,/^$/p' | long_options | sort -u)
expect "tessary ed" edit
expect "tessary re" remove report
expect "tessary --v" --version
# A host that two domains share names neither: those two go by their URL.
expect "tessary edit " example.com https://shop.example.org/a https://shop.example.org/b \
    "$example" "$shop_a" "$shop_b"
expect "tessary edit ex" example.com
# Without ':' in the word breaks bash would replace "https:" too.
expect "tessary stats https://shop.example.org/" //shop.example.org/a //shop.example.org/b
expect "tessary edit example.com " 
expect "tessary report example.com e" example.com
expect "tessary --data-dir $work/other edit " other.example "$other"
expect "tessary pin --data-dir=$work/other " other.example "$other"
expect "tessary export example.com --format " csv json
expect "tessary list " 
for command in $(tessary --help | sed -n '/^Commands:/,/^$/p' | sed -nE 's/^  ([a-z]+).*/\1/p'); do
    # shellcheck disable=SC2046
    expect "tessary $command --" $({ tessary "$command" --help | long_options; echo --data-dir; } |
        sort -u)
done

if ((failures)); then
    echo "$failures completions differ"
    exit 1
fi
echo "bash completes commands, options and the domains of the data folder"
