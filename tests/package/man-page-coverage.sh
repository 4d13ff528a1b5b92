#!/usr/bin/env bash
# Fails when tessary has a command or an option, or reads an environment
# variable, that tessary(1) does not document. The commands and options come
# from the program's own help texts, so one added later fails here until the
# page names it.
#   man-page-coverage.sh TESSARY PAGE.scd SOURCE_DIR
set -euo pipefail
tessary=$1
page=$2
sources=$3

missing=()

# The lines of the page's part that starts with the heading `$1` (a line of its
# own), up to the next heading of the same or a higher level.
part() {
    awk -v heading="$1" '
        $0 == heading { on = 1; level = index(heading, " "); next }
        on && /^#+ / && index($0, " ") <= level { on = 0 }
        on' "$page"
}

# The option names on the option lines of a help text: "-o", "--output", ...
# Each such line starts with its names; two spaces separate them from the text.
option_names() {
    sed -nE 's/^ +(-[^ ].*)$/\1/p' | sed -E 's/  .*//' |
        grep -oE -- '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' | sed -E 's/^[ ,]//' | sort -u
}

# Documented means set in bold as the page sets option names: *--name*.
require_bold() { # WHAT TEXT NAME
    grep -qF -- "*$3*" <<<"$2" || missing+=("$1 $3")
}

help=$("$tessary" --help)
commands=$(sed -n '/^Commands:/,/^$/p' <<<"$help" | sed -nE 's/^  ([a-z][a-z-]*).*/\1/p')
global_options=$(sed -n '/^Global options:/,/^$/p' <<<"$help" | option_names)
[[ -n $commands && -n $global_options ]] || {
    echo "tessary --help lists no commands or no global options:"
    echo "$help"
    exit 1
}

options_part=$(part "# OPTIONS")
for option in $global_options; do
    require_bold "global option" "$options_part" "$option"
done

for command in $commands; do
    command_part=$(part "## $command")
    if [[ -z $command_part ]]; then
        missing+=("command $command")
        continue
    fi
    command_help=$("$tessary" "$command" --help) || {
        echo "tessary $command --help failed"
        exit 1
    }
    for option in $(option_names <<<"$command_help"); do
        # -h and --help belong to every command: OPTIONS says so once.
        if grep -qxF -- "$option" <<<"$global_options"; then
            continue
        fi
        require_bold "option of $command" "$command_part" "$option"
    done
done

# A page that documents a command the program no longer has is wrong too.
for documented in $(part "# COMMANDS" | sed -nE 's/^## ([a-z-]+)$/\1/p'); do
    grep -qxF "$documented" <<<"$commands" || missing+=("no such command: $documented")
done

# Environment variables: every upper-case name with an underscore that the
# sources spell as a string literal is one the program reads or sets.
environment_part=$(part "# ENVIRONMENT")
for name in $(grep -rhoE '"[A-Z][A-Z0-9]*(_[A-Z0-9]+)+"' "$sources" | tr -d '"' | sort -u); do
    require_bold "environment variable" "$environment_part" "$name"
done

if ((${#missing[@]})); then
    echo "$page does not document:"
    printf '  %s\n' "${missing[@]}"
    exit 1
fi
echo "$page documents $(wc -w <<<"$commands") commands, their options and the environment"
