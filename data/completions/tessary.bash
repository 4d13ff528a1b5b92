# bash completion for tessary(1)                          -*- shell-script -*-

# The domain names `tessary list --json` knows: each host that only one domain
# has, the URL of the others, and every id. $1 is the tessary to ask, $2 the
# data folder given on the command line (if any).
_tessary_domains()
{
    local json
    json=$("$1" ${2:+--data-dir "$2"} list --json 2>/dev/null) || return
    # The list is flat: one object per domain, whose strings escape every quote.
    local -a ids urls
    mapfile -t ids < <(grep -oE '[{,]"id":"[^"]*"' <<<"$json" | cut -d'"' -f4)
    mapfile -t urls < <(grep -oE '[{,]"url_string":"[^"]*"' <<<"$json" | cut -d'"' -f4)

    local -A count
    local -a hosts
    local url host
    for url in "${urls[@]}"; do
        host=${url#*://}
        host=${host%%[/?#]*}
        host=${host##*@}
        if [[ $host == \[* ]]; then
            host=${host#[}
            host=${host%%]*}
        else
            host=${host%:*}
        fi
        host=${host,,}
        hosts+=("$host")
        count[$host]=$((${count[$host]:-0} + 1))
    done
    local i
    for i in "${!urls[@]}"; do
        if [[ ${count[${hosts[i]}]} == 1 ]]; then
            printf '%s\n' "${hosts[i]}"
        else
            printf '%s\n' "${urls[i]}"
        fi
    done
    printf '%s\n' "${ids[@]}"
}

_tessary()
{
    local cur prev words cword
    _init_completion -n := || return

    local commands="monitor add edit pin archive remove clear suggestions list stats export
        report measure providers"
    local global_options="--data-dir --hidden --help --version"

    # The command, and the data folder it works on, wherever --data-dir stands.
    local i command="" data_dir=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data-dir) ((i++)); data_dir=${words[i]} ;;
            --data-dir=*) data_dir=${words[i]#--data-dir=} ;;
            -*) ;;
            *) [[ -z $command ]] && command=${words[i]} ;;
        esac
    done
    data_dir=${data_dir/#\~/$HOME}

    if [[ $prev == --data-dir ]]; then
        _filedir -d
        return
    fi
    if [[ $cur == --data-dir=* ]]; then
        cur=${cur#--data-dir=}
        _filedir -d
        return
    fi

    local options="" takes_domain="" value_options=""
    case $command in
        monitor) options="--quiet --metrics"; value_options="--metrics" ;;
        add)
            options="--interval --lookback --user-agent --inactive --notify"
            value_options="--interval --lookback --user-agent"
            ;;
        edit)
            options="--interval --lookback --user-agent --inactive --active --notify
                --no-notify --url"
            value_options="--interval --lookback --user-agent --url"
            takes_domain=1
            ;;
        pin) takes_domain=1 ;;
        archive) options="--all --yes"; takes_domain=1 ;;
        remove) options="--yes"; takes_domain=1 ;;
        clear) options="--all-history --everything --yes"; takes_domain=1 ;;
        suggestions) ;;
        list | providers) options="--json" ;;
        stats) options="--json --all-periods"; takes_domain=1 ;;
        export)
            options="--format -o --output"
            value_options="--format -o --output"
            takes_domain=1
            ;;
        report)
            options="--all -o --output"
            value_options="-o --output"
            takes_domain=many
            ;;
        measure) options="--user-agent --json"; value_options="--user-agent" ;;
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$global_options" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            fi
            return
            ;;
        *) return ;;
    esac

    case $prev in
        --format)
            COMPREPLY=($(compgen -W "json csv" -- "$cur"))
            return
            ;;
        -o | --output)
            _filedir
            return
            ;;
    esac
    [[ " $value_options " == *" $prev "* ]] && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help --data-dir" -- "$cur"))
        return
    fi

    # A domain: the first word after the command (report takes any number).
    if [[ -n $takes_domain ]]; then
        local positional=0
        for ((i = 1; i < cword; i++)); do
            case ${words[i]} in
                --data-dir | -o | --output | --format | --interval | --lookback | --user-agent | \
                    --url | --metrics) ((i++)) ;;
                -*) ;;
                *) ((positional++)) ;;
            esac
        done
        # The command itself is the first positional word.
        if [[ $takes_domain == many || $positional -eq 1 ]]; then
            # Not compgen -W, which would expand what a URL may hold ($, backquotes).
            local candidate
            while IFS= read -r candidate; do
                [[ $candidate == "$cur"* ]] && COMPREPLY+=("$candidate")
            done < <(_tessary_domains "${words[0]/#\~/$HOME}" "$data_dir")
            __ltrim_colon_completions "$cur"
        fi
    fi
} &&
    complete -F _tessary tessary

# ex: filetype=sh
