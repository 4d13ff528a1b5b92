#include "MeasureCommand.h"

#include "CommandOptions.h"
#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "measurement/EngineMeasurementSource.h"
#include "measurement/NetworkBaselineProbe.h"
#include "model/MeasurementJson.h"
#include "model/UrlNormalizer.h"

#include <QEventLoop>

#include <optional>

namespace {

void print_row(QTextStream& out, const QString& label, const QString& value)
{
    out << "  " << label.leftJustified(22) << value << '\n';
}

void print_breakdown(QTextStream& out, const DomainMeasurement& m)
{
    out << TerminalText::printable(m.url_string.value_or(QString())) << '\n';
    print_row(out, L10n::text(u"Status", u"Status"),
              m.http_status ? QString::number(*m.http_status) : QStringLiteral("-"));
    print_row(out, L10n::text(u"DNS lookup", u"DNS-opzoeking"),
              MeasurementFormatter::duration(m.dns_time));
    print_row(out, L10n::text(u"TCP connect", u"TCP-verbinding"),
              MeasurementFormatter::duration(m.connect_time));
    print_row(out, L10n::text(u"TLS handshake", u"TLS-handshake"),
              MeasurementFormatter::duration(m.ssl_time));
    print_row(out, L10n::text(u"Time to first byte", u"Tijd tot eerste byte"),
              MeasurementFormatter::duration(m.ttfb_time));
    print_row(out, L10n::text(u"Total", u"Totaal"), MeasurementFormatter::duration(m.total_time));
    print_row(out, L10n::text(u"Baseline probe", u"Basislijnmeting"),
              MeasurementFormatter::duration(m.network_baseline_time));
    if (m.is_local_network_issue)
        print_row(out, L10n::text(u"Local network", u"Lokaal netwerk"),
                  L10n::text(u"slow (left out of the statistics)",
                             u"traag (niet meegeteld in de statistieken)"));
    if (m.error_message)
        print_row(out, L10n::text(u"Error", u"Fout"), TerminalText::printable(*m.error_message));
    if (!m.response_x_headers.isEmpty()) {
        out << "  " << L10n::text(u"X-headers:", u"X-headers:") << '\n';
        for (auto it = m.response_x_headers.cbegin(); it != m.response_x_headers.cend(); ++it)
            out << "    " << TerminalText::printable(it.key()) << ": "
                << TerminalText::printable(it.value()) << '\n';
    }
}

} // namespace

int run_measure_command(CommandContext& context)
{
    QCommandLineParser parser;
    const QCommandLineOption user_agent(QStringLiteral("user-agent"),
                                        QStringLiteral("User-Agent header to send."),
                                        QStringLiteral("text"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the measurement as stored."));
    parser.addOptions({user_agent, json});
    if (const auto exit_code = parse_command_options(context, parser, "measure", 1))
        return *exit_code;
    const QString argument = parser.positionalArguments().first();
    const std::optional<QUrl> url = UrlNormalizer::normalize_url(argument);
    if (!url) {
        context.err << "tessary measure: "
                    << L10n::text(u"Enter a valid domain or URL.",
                                  u"Voer een geldig domein of een geldige URL in.")
                    << " (" << TerminalText::printable(argument) << ")\n";
        return 1;
    }

    const QUrl probe_endpoint = NetworkBaselineProbe::configured_endpoint();
    EngineMeasurementSource source(CurlEngine::shared(), Clock::system(), probe_endpoint);
    std::optional<DomainMeasurement> measurement;
    QEventLoop loop;
    source.measure(UrlNormalizer::absolute_string(*url), parser.value(user_agent),
                   [&](std::optional<DomainMeasurement> result) {
                       measurement = std::move(result);
                       loop.quit();
                   });
    loop.exec();

    if (!measurement) {
        context.err << "tessary measure: "
                    << L10n::text(u"no usable network: the probe of %1 failed.",
                                  u"geen bruikbaar netwerk: de controle van %1 mislukte.")
                           .arg(probe_endpoint.toString())
                    << '\n';
        return 2;
    }
    if (parser.isSet(json))
        context.out << QString::fromUtf8(MeasurementJson::encode(*measurement)) << '\n';
    else
        print_breakdown(context.out, *measurement);
    return 0;
}
