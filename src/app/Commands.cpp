#include "Commands.h"

#include "ExportCommand.h"
#include "ListCommand.h"
#include "MeasureCommand.h"
#include "StatsCommand.h"

#include <vector>

std::span<const Command> all_commands()
{
    static const std::vector<Command> commands = {
        {"list", "list [--json]              every domain with its state, last result and average",
         run_list_command},
        {"stats", "stats DOMAIN [--json]      the statistics of one domain", run_stats_command},
        {"export",
         "export DOMAIN --format json|csv [-o FILE]\n"
         "                             one domain's history as JSON or CSV",
         run_export_command},
        {"measure",
         "measure URL [--user-agent UA] [--json]\n"
         "                             probe the network, then time one request to URL",
         run_measure_command},
    };
    return commands;
}
