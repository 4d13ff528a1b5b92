#include "ReportCommand.h"

#include "CommandOptions.h"
#include "DomainArgument.h"
#include "ProgressLine.h"
#include "ReadOnlyData.h"
#include "i18n/L10n.h"
#include "model/AtomicFile.h"
#include "report/TessaryPDFRenderer.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSet>

#include <unistd.h>

namespace {

// The domains the arguments ask for, or an error sentence.
Expected<QList<MonitoredDomain>, QString> chosen_domains(const QList<MonitoredDomain>& domains,
                                                         const QStringList& names)
{
    QList<MonitoredDomain> chosen;
    if (names.isEmpty()) {
        for (const MonitoredDomain& domain : domains) {
            if (!domain.is_archived)
                chosen.append(domain);
        }
        return chosen;
    }
    QSet<QUuid> seen;
    for (const QString& name : names) {
        auto domain = find_domain(domains, name);
        if (!domain)
            return domain.error();
        // A domain named twice is reported once, where it was first named.
        if (!seen.contains(domain->id)) {
            seen.insert(domain->id);
            chosen.append(std::move(domain).value());
        }
    }
    return chosen;
}

} // namespace

int run_report_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("all"), QStringLiteral("Every active domain.")});
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Write to FILE, or to standard output when FILE is -."),
                      QStringLiteral("file")});
    if (const auto exit_code = parse_command_options(context, parser, "report", std::nullopt))
        return *exit_code;
    const QStringList names = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("all")) && !names.isEmpty()) {
        context.err << "tessary report: name domains or give --all, not both\n";
        return 1;
    }
    const QString path = parser.value(QStringLiteral("output"));
    if (path.isEmpty()) {
        context.err << "tessary report: say where the report goes with -o FILE.pdf, or -o - "
                       "for standard output\n";
        return 1;
    }

    const auto loaded = load_for_reading(context);
    if (!loaded)
        return 1;
    const auto domains = chosen_domains(loaded->domains, names);
    if (!domains) {
        context.err << "tessary report: " << domains.error() << '\n';
        return 1;
    }
    ProgressLine progress(context.err, L10n::text(u"Writing the report", u"Rapport maken"),
                          ::isatty(STDERR_FILENO) != 0);
    const auto pdf =
        TessaryPDFRenderer::render(*domains, QDateTime::currentDateTime(), [&](double fraction) {
            progress.show(fraction);
            return true;
        });
    progress.finish();
    if (!pdf) {
        context.err << "tessary report: " << description(pdf.error()) << '\n';
        return 1;
    }

    if (path == QLatin1String("-")) {
        context.out.flush();
        QFile standard_output;
        if (!standard_output.open(stdout, QIODevice::WriteOnly) ||
            standard_output.write(*pdf) != pdf->size() || !standard_output.flush()) {
            context.err << "tessary report: cannot write to standard output\n";
            return 1;
        }
        return 0;
    }
    if (const auto error = AtomicFile::write(path, *pdf, PrivateFile::saved_file_mode())) {
        context.err << "tessary report: cannot write " << path << ": " << *error << '\n';
        return 1;
    }
    return 0;
}
