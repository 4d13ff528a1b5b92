#include "CommandOptions.h"

bool parse_command_options(CommandContext& context, QCommandLineParser& parser,
                           const char* command_name, qsizetype positional_count)
{
    const QString name = QString::fromLatin1(command_name);
    if (!parser.parse(QStringList{QStringLiteral("tessary")} + context.arguments)) {
        context.err << "tessary " << name << ": " << parser.errorText() << '\n';
        return false;
    }
    if (parser.positionalArguments().size() != positional_count) {
        context.err << "tessary " << name << ": expected " << positional_count
                    << (positional_count == 1 ? " argument" : " arguments") << ", got "
                    << parser.positionalArguments().size() << "; see tessary --help\n";
        return false;
    }
    return true;
}
