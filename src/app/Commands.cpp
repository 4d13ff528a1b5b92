#include "Commands.h"

#include "EditingCommands.h"
#include "ExportCommand.h"
#include "ListCommand.h"
#include "MeasureCommand.h"
#include "MonitorCommand.h"
#include "ProvidersCommand.h"
#include "ReportCommand.h"
#include "StatsCommand.h"

#include <vector>

std::span<const Command> all_commands()
{
    static const std::vector<Command> commands = {
        {"monitor", "[--quiet] [--metrics [ADDRESS:]PORT]",
         "measure every active domain until stopped, serving\n"
         "Prometheus metrics at http://ADDRESS:PORT/metrics",
         run_monitor_command},
        {"add", "URL [--interval S] [--lookback H] [--user-agent UA] [--inactive] [--notify]",
         "start monitoring a domain or URL", run_add_command, true},
        {"edit", "DOMAIN [add's options] [--url URL] [--active|--inactive] [--no-notify]",
         "change a domain's settings", run_edit_command, true},
        {"pin", "DOMAIN", "pin or unpin a domain", run_pin_command, true},
        {"archive", "DOMAIN | --all", "stop monitoring, keeping the history", run_archive_command,
         true},
        {"remove", "DOMAIN", "delete a domain and its history", run_remove_command, true},
        {"clear", "DOMAIN | --all-history | --everything",
         "clear histories, or remove every domain", run_clear_command, true},
        {"suggestions", "", "archived and deleted domains to bring back", run_suggestions_command},
        {"list", "[--json]", "every domain with its state, last result and average",
         run_list_command},
        {"stats", "DOMAIN [--json] [--all-periods]", "the statistics of one domain",
         run_stats_command},
        {"export", "DOMAIN --format json|csv [-o FILE]", "one domain's history as JSON or CSV",
         run_export_command},
        {"report", "[DOMAIN ...] [--all] -o FILE.pdf|-",
         "the PDF report of the named or of every active domain", run_report_command},
        {"measure", "URL [--user-agent UA] [--json]",
         "probe the network, then time one request to URL", run_measure_command},
        {"providers", "[--json]", "the domains grouped by hosting provider, with profiles",
         run_providers_command},
    };
    return commands;
}

const Command* find_command(QStringView name)
{
    for (const Command& command : all_commands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}
