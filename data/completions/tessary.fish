# fish completion for tessary(1)

set -l __tessary_commands monitor add edit pin archive remove clear suggestions list stats export report measure providers

# The domain names `tessary list --json` knows: each host that only one domain
# has, the URL of the others, and every id; hosts and ids described by their URL.
function __tessary_domains
    set -l tokens (commandline -opc)
    set -l data_dir
    for i in (seq 2 (count $tokens))
        switch $tokens[$i]
            case --data-dir
                set data_dir --data-dir $tokens[(math $i + 1)]
            case '--data-dir=*'
                set data_dir $tokens[$i]
        end
    end
    set -l json ($tokens[1] $data_dir list --json 2>/dev/null)
    or return
    # The list is flat: one object per domain, whose strings escape every quote.
    set -l ids (string match -r -a -g '[{,]"id":"([^"]*)"' -- $json)
    set -l urls (string match -r -a -g '[{,]"url_string":"([^"]*)"' -- $json)
    set -l hosts
    for url in $urls
        set -l host (string replace -r '^[^:]*://' '' -- $url)
        set host (string replace -r '[/?#].*$' '' -- $host)
        set host (string replace -r '^.*@' '' -- $host)
        if string match -q '[*' -- $host
            set host (string replace -r '^\[([^]]*)\].*$' '$1' -- $host)
        else
            set host (string replace -r ':[^:]*$' '' -- $host)
        end
        set -a hosts (string lower -- $host)
    end
    for i in (seq (count $urls))
        set -l sharing 0
        for host in $hosts
            test "$host" = "$hosts[$i]"; and set sharing (math $sharing + 1)
        end
        if test $sharing -eq 1
            printf '%s\t%s\n' $hosts[$i] $urls[$i]
        else
            printf '%s\n' $urls[$i]
        end
        printf '%s\t%s\n' $ids[$i] $urls[$i]
    end
end

# True while the command line waits for a domain: the first word after a
# command that takes one, any word after report.
function __tessary_wants_domain
    set -l tokens (commandline -opc)
    set -l command
    set -l positional 0
    set -l skip 0
    for token in $tokens[2..-1]
        if test $skip -eq 1
            set skip 0
            continue
        end
        switch $token
            case --data-dir -o --output --format --interval --lookback --user-agent --url --metrics
                set skip 1
            case '-*'
            case '*'
                if test -z "$command"
                    set command $token
                else
                    set positional (math $positional + 1)
                end
        end
    end
    switch "$command"
        case report
            return 0
        case edit pin archive remove clear stats export
            test $positional -eq 0
        case '*'
            return 1
    end
end

complete -c tessary -f
complete -c tessary -l data-dir -x -a '(__fish_complete_directories)' -d 'Use another data folder'
complete -c tessary -s h -l help -d 'Show the help'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -s v -l version -d 'Show the version'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -l hidden -d 'Open straight into the tray'

complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a monitor -d 'Measure every active domain until stopped'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a add -d 'Start monitoring a domain or URL'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a edit -d "Change a domain's settings"
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a pin -d 'Pin or unpin a domain'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a archive -d 'Stop monitoring, keeping the history'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a remove -d 'Delete a domain and its history'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a clear -d 'Clear histories, or remove every domain'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a suggestions -d 'Archived and deleted domains to bring back'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a list -d 'Every domain with its state, last result and average'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a stats -d 'The statistics of one domain'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a export -d "One domain's history as JSON or CSV"
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a report -d 'The PDF report of the named or of every active domain'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a measure -d 'Probe the network, then time one request to URL'
complete -c tessary -n "not __fish_seen_subcommand_from $__tessary_commands" -a providers -d 'The domains grouped by hosting provider, with profiles'

complete -c tessary -n __tessary_wants_domain -a '(__tessary_domains)'

complete -c tessary -n '__fish_seen_subcommand_from monitor' -l quiet -d 'Print nothing per measurement'
complete -c tessary -n '__fish_seen_subcommand_from monitor' -l metrics -x -d 'Serve Prometheus metrics at [ADDRESS:]PORT'

complete -c tessary -n '__fish_seen_subcommand_from add edit' -l interval -x -d 'Seconds between measurements'
complete -c tessary -n '__fish_seen_subcommand_from add edit' -l lookback -x -d 'Hours the views look back'
complete -c tessary -n '__fish_seen_subcommand_from add edit measure' -l user-agent -x -d 'User-Agent header to send'
complete -c tessary -n '__fish_seen_subcommand_from add edit' -l inactive -d 'Do not measure on schedule'
complete -c tessary -n '__fish_seen_subcommand_from add edit' -l notify -d 'Notify when a request is far slower'
complete -c tessary -n '__fish_seen_subcommand_from edit' -l active -d 'Measure on schedule'
complete -c tessary -n '__fish_seen_subcommand_from edit' -l no-notify -d 'Do not notify'
complete -c tessary -n '__fish_seen_subcommand_from edit' -l url -x -d 'A new address'

complete -c tessary -n '__fish_seen_subcommand_from archive' -l all -d 'Archive every domain'
complete -c tessary -n '__fish_seen_subcommand_from archive remove clear' -l yes -d 'Do not ask for confirmation'
complete -c tessary -n '__fish_seen_subcommand_from clear' -l all-history -d 'Clear the history of every domain'
complete -c tessary -n '__fish_seen_subcommand_from clear' -l everything -d 'Remove every domain'

complete -c tessary -n '__fish_seen_subcommand_from list providers stats measure' -l json -d 'Print JSON'
complete -c tessary -n '__fish_seen_subcommand_from stats' -l all-periods -d 'List every disturbance period'

complete -c tessary -n '__fish_seen_subcommand_from export' -l format -x -a 'json csv' -d 'The format'
complete -c tessary -n '__fish_seen_subcommand_from export report' -s o -l output -r -F -d 'Write to FILE'
complete -c tessary -n '__fish_seen_subcommand_from report' -l all -d 'Every active domain'
