#include "CommandOptions.h"

#include "Commands.h"

namespace {

// The command's usage and summary, then the options as Qt lists them.
void print_command_help(QTextStream& out, const Command& command, const QCommandLineParser& parser)
{
    out << "Usage: tessary [--data-dir DIR] " << command.name;
    if (*command.usage != '\0')
        out << ' ' << command.usage;
    QString summary = QString::fromUtf8(command.summary).replace(u'\n', u' ');
    summary[0] = summary[0].toUpper();
    out << "\n\n" << summary << ".\n\n";
    const QString text = parser.helpText();
    out << QStringView(text).mid(text.indexOf(QLatin1String("Options:")));
}

} // namespace

std::optional<int> parse_command_options(CommandContext& context, QCommandLineParser& parser,
                                         const char* command_name,
                                         std::optional<qsizetype> positional_count)
{
    const QString name = QString::fromLatin1(command_name);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(QStringList{QStringLiteral("tessary")} + context.arguments)) {
        context.err << "tessary " << name << ": " << parser.errorText() << '\n';
        return 1;
    }
    if (parser.isSet(help)) {
        print_command_help(context.out, *find_command(name), parser);
        return 0;
    }
    const qsizetype given = parser.positionalArguments().size();
    if (positional_count && given != *positional_count) {
        context.err << "tessary " << name << ": expected " << *positional_count
                    << (*positional_count == 1 ? " argument" : " arguments") << ", got " << given
                    << "; see tessary " << name << " --help\n";
        return 1;
    }
    return std::nullopt;
}
