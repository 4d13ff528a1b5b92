#include "ListCommand.h"

#include "CommandOptions.h"
#include "MeasurementResult.h"
#include "ReadOnlyData.h"
#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "model/CertificateValidity.h"
#include "model/Clock.h"
#include "model/DomainHost.h"
#include "model/JsonWrite.h"

namespace {

QString state_of(const MonitoredDomain& domain)
{
    if (domain.is_archived)
        return QStringLiteral("archived");
    return domain.is_active ? QStringLiteral("active") : QStringLiteral("paused");
}

template <typename Writer>
void write_domain(Writer& writer, const MonitoredDomain& domain)
{
    const DomainStatistics& s = domain.statistics;
    writer.StartObject();
    JsonWrite::optional_number(writer, "average_total_time", s.average_total_time);
    if (const QDateTime expires_at = latest_certificate_expiry(domain.measurements);
        expires_at.isValid()) {
        JsonWrite::key(writer, "certificate_expires_at");
        JsonWrite::instant(writer, expires_at);
    }
    JsonWrite::key(writer, "disturbance_period_count");
    writer.Int64(s.disturbance_periods.size());
    JsonWrite::key(writer, "failure_count");
    writer.Int64(s.failure_count);
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, domain.id);
    JsonWrite::key(writer, "interval_seconds");
    writer.Int(domain.interval_seconds);
    JsonWrite::key(writer, "is_pinned");
    writer.Bool(domain.is_pinned);
    if (!domain.measurements.isEmpty()) {
        const DomainMeasurement& last = domain.measurements.first();
        JsonWrite::optional_string(writer, "last_error_message", last.error_message);
        if (last.http_status) {
            JsonWrite::key(writer, "last_http_status");
            writer.Int(*last.http_status);
        }
        JsonWrite::key(writer, "last_level");
        JsonWrite::string(writer, domain_measurement_level_key(domain.measurement_level(last)));
        JsonWrite::key(writer, "last_measured_at");
        JsonWrite::instant(writer, last.measured_at);
        JsonWrite::key(writer, "last_total_time");
        JsonWrite::number(writer, last.total_time);
    }
    JsonWrite::key(writer, "measurement_count");
    writer.Int64(domain.measurements.size());
    JsonWrite::key(writer, "state");
    JsonWrite::string(writer, state_of(domain));
    JsonWrite::key(writer, "url_string");
    JsonWrite::string(writer, domain.url_string);
    writer.EndObject();
}

void print_json(CommandContext& context, const QList<MonitoredDomain>& domains)
{
    context.out << QString::fromUtf8(JsonWrite::compact_text([&](auto& writer) {
        writer.StartArray();
        for (const MonitoredDomain& domain : domains)
            write_domain(writer, domain);
        writer.EndArray();
    })) << '\n';
}

void print_table(CommandContext& context, const QList<MonitoredDomain>& domains)
{
    if (domains.isEmpty()) {
        context.out << "No domains yet. Add one with: tessary add URL\n";
        return;
    }
    const DateFormatter date_time = MeasurementFormatter::date_time();
    const QDateTime now = Clock::system().now();
    for (const MonitoredDomain& domain : domains) {
        const DomainStatistics& s = domain.statistics;
        context.out << (domain.is_pinned ? "* " : "  ")
                    << TerminalText::printable(domain_host(domain.url_string)) << "  "
                    << TerminalText::printable(domain.url_string) << "\n    " << state_of(domain)
                    << ", every " << domain.interval_seconds << " s, average "
                    << MeasurementFormatter::duration(s.average_total_time) << ", "
                    << domain.measurements.size() << " measurements, " << s.failure_count
                    << " failed, " << s.disturbance_periods.size() << " disturbance periods\n";
        if (!domain.measurements.isEmpty()) {
            const DomainMeasurement& last = domain.measurements.first();
            context.out << "    last: " << date_time.string(last.measured_at) << ", "
                        << measurement_result(last) << ", "
                        << MeasurementFormatter::duration(last.total_time) << ", "
                        << domain_measurement_level_title(domain.measurement_level(last)) << '\n';
        }
        if (const auto validity = CertificateValidity::of_latest(domain.measurements, now))
            context.out << "    " << validity->description() << '\n';
    }
}

} // namespace

int run_list_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (const auto exit_code = parse_command_options(context, parser, "list", 0))
        return *exit_code;
    const auto loaded = load_for_reading(context);
    if (!loaded)
        return 1;
    if (parser.isSet(QStringLiteral("json")))
        print_json(context, loaded->domains);
    else
        print_table(context, loaded->domains);
    return 0;
}
