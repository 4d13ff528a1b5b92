#include "ExportCommand.h"

#include "CommandOptions.h"
#include "ReadOnlyData.h"
#include "model/AtomicFile.h"
#include "report/TessaryReportService.h"

#include <QFile>

int run_export_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("format"), QStringLiteral("json or csv."), QStringLiteral("format")});
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Write to FILE instead of standard output."),
                      QStringLiteral("file")});
    if (const auto exit_code = parse_command_options(context, parser, "export", 1))
        return *exit_code;
    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("json") && format != QLatin1String("csv")) {
        context.err << "tessary export: --format must be json or csv\n";
        return 1;
    }
    const auto domain =
        load_domain_for_reading(context, parser.positionalArguments().first(), "export");
    if (!domain)
        return 1;

    QByteArray content = format == QLatin1String("json")
                             ? TessaryReportService::json_export(*domain) + '\n'
                             : TessaryReportService::csv_string(*domain).toUtf8();
    if (!parser.isSet(QStringLiteral("output"))) {
        context.out.flush();
        QFile standard_output;
        if (!standard_output.open(stdout, QIODevice::WriteOnly) ||
            standard_output.write(content) != content.size()) {
            context.err << "tessary export: cannot write to standard output\n";
            return 1;
        }
        return 0;
    }
    const QString path = parser.value(QStringLiteral("output"));
    if (const auto error = AtomicFile::write(path, content, PrivateFile::saved_file_mode())) {
        context.err << "tessary export: cannot write " << path << ": " << *error << '\n';
        return 1;
    }
    return 0;
}
