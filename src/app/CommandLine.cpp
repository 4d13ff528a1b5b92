#include "CommandLine.h"

#include "Command.h"
#include "Commands.h"
#include "ForwardedCommand.h"
#include "Version.h"
#include "store/StoreFiles.h"

#include <QDir>

#include <optional>

namespace {

const QString data_dir_option = QStringLiteral("--data-dir");
const QString hidden_option = QStringLiteral("--hidden");

QString default_data_directory()
{
    return StoreFiles::default_support_directory();
}

// "  name usage" with the summary beside it in a column, or below it at the
// same indent when the usage is too long.
void print_command_line(QTextStream& out, const Command& command)
{
    constexpr qsizetype summary_column = 29;
    const QString indent(summary_column, u' ');
    QString line = QStringLiteral("  ") + QLatin1String(command.name);
    if (*command.usage != '\0')
        line += u' ' + QString::fromUtf8(command.usage);
    line =
        line.size() < summary_column ? line.leftJustified(summary_column) : line + u'\n' + indent;
    out << line << QString::fromUtf8(command.summary).replace(u'\n', u'\n' + indent) << '\n';
}

void print_help(QTextStream& out)
{
    out << "Usage: tessary [--data-dir DIR] COMMAND [OPTIONS]\n"
           "       tessary [--data-dir DIR] [--hidden]\n\n"
           "Tessary watches how fast and how reliably web sites answer. Without a command\n"
           "it opens the window (--hidden: straight into the tray). While the window or\n"
           "tessary monitor runs, the editing commands are carried out by it.\n\n"
           "Commands:\n";
    for (const Command& command : all_commands())
        print_command_line(out, command);
    out << "\nGlobal options:\n"
           "  --data-dir DIR   use DIR instead of "
        << QDir::toNativeSeparators(default_data_directory())
        << "\n"
           "  --hidden         open straight into the tray (without a command)\n"
           "  -h, --help       show this help\n"
           "  -v, --version    show the version\n";
}

// Takes "--data-dir DIR" and "--data-dir=DIR" out of `arguments`, wherever they stand.
std::optional<QString> take_data_directory(QStringList& arguments, QString& error)
{
    std::optional<QString> directory;
    for (qsizetype i = 0; i < arguments.size();) {
        const QString& argument = arguments[i];
        if (argument == data_dir_option) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("--data-dir needs a directory");
                return std::nullopt;
            }
            directory = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (argument.startsWith(data_dir_option + QLatin1Char('='))) {
            directory = argument.mid(data_dir_option.size() + 1);
            arguments.remove(i);
        } else {
            ++i;
        }
    }
    if (directory && directory->isEmpty()) {
        error = QStringLiteral("--data-dir needs a directory");
        return std::nullopt;
    }
    return directory;
}

} // namespace

std::optional<CommandLine::WindowOptions> CommandLine::window_options(const QStringList& arguments)
{
    QStringList rest = arguments.mid(1);
    QString error;
    const std::optional<QString> data_directory = take_data_directory(rest, error);
    const bool hidden = rest.removeAll(hidden_option) > 0;
    if (!error.isEmpty() || !rest.isEmpty())
        return std::nullopt;
    return WindowOptions{data_directory.value_or(default_data_directory()), hidden};
}

int CommandLine::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList rest = arguments.mid(1);
    QString error;
    const std::optional<QString> data_directory = take_data_directory(rest, error);
    if (!error.isEmpty()) {
        err << "tessary: " << error << '\n';
        return 1;
    }

    if (rest.isEmpty() || rest.first() == QLatin1String("-h") ||
        rest.first() == QLatin1String("--help") || rest.first() == QLatin1String("help")) {
        print_help(out);
        return 0;
    }
    if (rest.first() == QLatin1String("-v") || rest.first() == QLatin1String("--version")) {
        out << "Tessary " << TESSARY_VERSION << '\n';
        return 0;
    }

    const Command* command = find_command(rest.first());
    if (command == nullptr) {
        err << "tessary: unknown command \"" << rest.first()
            << "\"; see tessary --help for the list\n";
        return 1;
    }
    CommandContext context{
        .arguments = rest.mid(1),
        .data_directory = data_directory.value_or(default_data_directory()),
        .out = out,
        .err = err,
        .running_store = nullptr,
        .unanswered_question = std::nullopt,
    };
    // While another process holds the folder, it does the writing.
    if (command->edits) {
        if (const auto code = ForwardedCommand::hand_to_holder(context, *command))
            return *code;
    }
    return command->run(context);
}

bool CommandLine::needs_gui_application(const QStringList& arguments)
{
    QStringList rest = arguments.mid(1);
    QString error;
    take_data_directory(rest, error);
    return error.isEmpty() && !rest.isEmpty() && rest.first() == QLatin1String("report");
}
