#include "EditingCommands.h"

#include "CommandOptions.h"
#include "DomainArgument.h"
#include "OpenStore.h"
#include "ReadOnlyData.h"
#include "i18n/TerminalText.h"
#include "model/DomainHost.h"
#include "store/RestoreSuggestions.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

const QCommandLineOption interval_option(QStringLiteral("interval"),
                                         QStringLiteral("Seconds between measurements."),
                                         QStringLiteral("seconds"));
const QCommandLineOption lookback_option(QStringLiteral("lookback"),
                                         QStringLiteral("Hours the views look back."),
                                         QStringLiteral("hours"));
const QCommandLineOption user_agent_option(QStringLiteral("user-agent"),
                                           QStringLiteral("User-Agent header to send."),
                                           QStringLiteral("text"));
const QCommandLineOption inactive_option(QStringLiteral("inactive"),
                                         QStringLiteral("Do not measure on schedule."));
const QCommandLineOption active_option(QStringLiteral("active"),
                                       QStringLiteral("Measure on schedule."));
const QCommandLineOption notify_option(QStringLiteral("notify"),
                                       QStringLiteral("Notify when a request is far slower."));
const QCommandLineOption no_notify_option(QStringLiteral("no-notify"),
                                          QStringLiteral("Do not notify."));
const QCommandLineOption url_option(QStringLiteral("url"), QStringLiteral("A new address."),
                                    QStringLiteral("url"));
const QCommandLineOption yes_option(QStringLiteral("yes"),
                                    QStringLiteral("Do not ask for confirmation."));

// A whole number option within [minimum, maximum], or an error printed.
std::optional<int> number_option(CommandContext& context, const QCommandLineParser& parser,
                                 const QCommandLineOption& option, int fallback, int minimum,
                                 int maximum)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum || value > maximum) {
        context.err << "tessary: --" << option.names().first() << " must be a whole number from "
                    << minimum << " to " << maximum << '\n';
        return std::nullopt;
    }
    return value;
}

// Run for another process, the question goes back to it, to ask its user.
bool confirm(CommandContext& context, const QCommandLineParser& parser, const QString& question)
{
    if (parser.isSet(yes_option))
        return true;
    if (context.running_store != nullptr) {
        context.unanswered_question = question;
        return false;
    }
    return confirm_at_terminal(context, question);
}

// Opens the store for an editing command and finds the domain `argument` names.
struct Target {
    StoreHandle store;
    MonitoredDomain domain;
};

std::optional<Target> open_with_domain(CommandContext& context, const char* command,
                                       const QString& argument)
{
    auto store = open_store(context, QStringLiteral("tessary %1").arg(QLatin1String(command)));
    if (!store)
        return std::nullopt;
    auto domain = find_domain(store->domains(), argument);
    if (!domain) {
        context.err << "tessary " << command << ": " << domain.error() << '\n';
        return std::nullopt;
    }
    return Target{std::move(store), std::move(domain).value()};
}

QString name_of(const MonitoredDomain& domain)
{
    return TerminalText::printable(domain.url_string);
}

} // namespace

bool confirm_at_terminal(CommandContext& context, const QString& question)
{
    if (!::isatty(STDIN_FILENO)) {
        context.err << "tessary: " << question << " Add --yes to confirm.\n";
        return false;
    }
    context.err << question << " [y/N] ";
    context.err.flush();
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr)
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

int run_add_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOptions(
        {interval_option, lookback_option, user_agent_option, inactive_option, notify_option});
    if (const auto exit_code = parse_command_options(context, parser, "add", 1))
        return *exit_code;
    const auto interval = number_option(
        context, parser, interval_option, DomainSettings::default_interval_seconds,
        DomainSettings::minimum_interval_seconds, DomainSettings::maximum_interval_seconds);
    const auto lookback = number_option(
        context, parser, lookback_option, DomainSettings::default_max_history_hours,
        DomainSettings::minimum_max_history_hours, DomainSettings::maximum_max_history_hours);
    if (!interval || !lookback)
        return 1;
    const auto store = open_store(context, QStringLiteral("tessary add"));
    if (!store)
        return 1;
    const auto refused = store->add_domain(
        parser.positionalArguments().first(), *interval, *lookback, parser.value(user_agent_option),
        !parser.isSet(inactive_option), parser.isSet(notify_option));
    if (refused) {
        context.err << "tessary add: " << *refused << '\n';
        return 1;
    }
    const MonitoredDomain added = *store->selected_domain();
    context.out << "Added " << name_of(added) << " ("
                << added.id.toString(QUuid::WithoutBraces).toUpper() << ")\n";
    return 0;
}

int run_edit_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOptions({interval_option, lookback_option, user_agent_option, inactive_option,
                       active_option, notify_option, no_notify_option, url_option});
    if (const auto exit_code = parse_command_options(context, parser, "edit", 1))
        return *exit_code;
    if ((parser.isSet(active_option) && parser.isSet(inactive_option)) ||
        (parser.isSet(notify_option) && parser.isSet(no_notify_option))) {
        context.err << "tessary edit: contradictory options\n";
        return 1;
    }
    auto target = open_with_domain(context, "edit", parser.positionalArguments().first());
    if (!target)
        return 1;
    DomainSettings settings = target->domain.settings();
    const auto interval = number_option(context, parser, interval_option, settings.interval_seconds,
                                        DomainSettings::minimum_interval_seconds,
                                        DomainSettings::maximum_interval_seconds);
    const auto lookback = number_option(
        context, parser, lookback_option, settings.max_history_hours,
        DomainSettings::minimum_max_history_hours, DomainSettings::maximum_max_history_hours);
    if (!interval || !lookback)
        return 1;
    settings.interval_seconds = *interval;
    settings.max_history_hours = *lookback;
    if (parser.isSet(user_agent_option))
        settings.user_agent = parser.value(user_agent_option);
    if (parser.isSet(url_option))
        settings.url_string = parser.value(url_option);
    if (parser.isSet(active_option) || parser.isSet(inactive_option))
        settings.is_active = parser.isSet(active_option);
    if (parser.isSet(notify_option) || parser.isSet(no_notify_option))
        settings.notifies_on_anomalies = parser.isSet(notify_option);
    if (const auto refused = target->store->update_domain(target->domain.id, settings)) {
        context.err << "tessary edit: " << *refused << '\n';
        return 1;
    }
    context.out << "Updated " << name_of(*target->store->domain_with_id(target->domain.id)) << '\n';
    return 0;
}

int run_pin_command(CommandContext& context)
{
    QCommandLineParser parser;
    if (const auto exit_code = parse_command_options(context, parser, "pin", 1))
        return *exit_code;
    auto target = open_with_domain(context, "pin", parser.positionalArguments().first());
    if (!target)
        return 1;
    target->store->toggle_pin(target->domain.id);
    context.out << (target->domain.is_pinned ? "Unpinned " : "Pinned ") << name_of(target->domain)
                << '\n';
    return 0;
}

int run_archive_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("all"), QStringLiteral("Archive every domain.")});
    parser.addOption(yes_option);
    const bool all = context.arguments.contains(QStringLiteral("--all"));
    if (const auto exit_code = parse_command_options(context, parser, "archive", all ? 0 : 1))
        return *exit_code;
    if (all) {
        if (!confirm(context, parser, QStringLiteral("Archive every domain?")))
            return 1;
        const auto store = open_store(context, QStringLiteral("tessary archive"));
        if (!store)
            return 1;
        store->archive_all();
        context.out << "Archived every domain\n";
        return 0;
    }
    auto target = open_with_domain(context, "archive", parser.positionalArguments().first());
    if (!target)
        return 1;
    target->store->archive_domain(target->domain.id);
    context.out << "Archived " << name_of(target->domain) << "; add it again to bring it back\n";
    return 0;
}

int run_remove_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption(yes_option);
    if (const auto exit_code = parse_command_options(context, parser, "remove", 1))
        return *exit_code;
    auto target = open_with_domain(context, "remove", parser.positionalArguments().first());
    if (!target)
        return 1;
    if (!confirm(context, parser,
                 QStringLiteral("Remove %1 and its whole history?").arg(name_of(target->domain))))
        return 1;
    target->store->remove_domain(target->domain.id);
    context.out << "Removed " << name_of(target->domain) << '\n';
    return 0;
}

int run_clear_command(CommandContext& context)
{
    QCommandLineParser parser;
    const QCommandLineOption all_history(QStringLiteral("all-history"),
                                         QStringLiteral("Clear the history of every domain."));
    const QCommandLineOption everything(QStringLiteral("everything"),
                                        QStringLiteral("Remove every domain."));
    parser.addOptions({all_history, everything, yes_option});
    const bool whole = context.arguments.contains(QStringLiteral("--all-history")) ||
                       context.arguments.contains(QStringLiteral("--everything"));
    if (const auto exit_code = parse_command_options(context, parser, "clear", whole ? 0 : 1))
        return *exit_code;
    if (parser.isSet(all_history) && parser.isSet(everything)) {
        context.err << "tessary clear: give --all-history or --everything, not both\n";
        return 1;
    }
    if (whole) {
        const bool clears_all = parser.isSet(everything);
        if (!confirm(context, parser,
                     clears_all ? QStringLiteral("Remove every domain and every history?")
                                : QStringLiteral("Clear the history of every active domain?")))
            return 1;
        const auto store = open_store(context, QStringLiteral("tessary clear"));
        if (!store)
            return 1;
        if (clears_all)
            store->clear_all();
        else
            store->clear_all_history();
        context.out << (clears_all ? "Removed every domain\n" : "Cleared every history\n");
        return 0;
    }
    auto target = open_with_domain(context, "clear", parser.positionalArguments().first());
    if (!target)
        return 1;
    if (!confirm(context, parser,
                 QStringLiteral("Clear the history of %1?").arg(name_of(target->domain))))
        return 1;
    target->store->clear_history(target->domain.id);
    context.out << "Cleared the history of " << name_of(target->domain) << '\n';
    return 0;
}

int run_suggestions_command(CommandContext& context)
{
    QCommandLineParser parser;
    if (const auto exit_code = parse_command_options(context, parser, "suggestions", 0))
        return *exit_code;
    const auto loaded = load_for_reading(context);
    if (!loaded)
        return 1;
    const auto suggestions =
        restore_suggestions(loaded->domains, loaded->deleted_domain_suggestions);
    if (suggestions.isEmpty()) {
        context.out << "Nothing to restore.\n";
        return 0;
    }
    for (const DomainRestoreSuggestion& s : suggestions) {
        context.out << TerminalText::printable(s.url_string)
                    << (s.is_archived ? "  archived" : "  deleted") << ", every "
                    << s.interval_seconds << " s, lookback " << s.max_history_hours << " h, "
                    << (s.is_active ? "active" : "paused")
                    << (s.notifies_on_anomalies ? ", notifies" : "") << ", user agent \""
                    << TerminalText::printable(s.user_agent) << "\"\n";
    }
    return 0;
}
