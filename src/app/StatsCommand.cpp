#include "StatsCommand.h"

#include "CommandOptions.h"
#include "ReadOnlyData.h"
#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "model/CertificateValidity.h"
#include "model/Clock.h"
#include "model/JsonWrite.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Disturbance periods listed without --all-periods: the newest ones.
constexpr qsizetype listed_periods = 20;

using UuidText = std::array<char, 36>;

std::vector<UuidText> sorted_texts(const QSet<QUuid>& ids)
{
    std::vector<UuidText> texts;
    texts.reserve(size_t(ids.size()));
    for (const QUuid& id : ids)
        texts.push_back(JsonWrite::uuid_text(id));
    std::sort(texts.begin(), texts.end());
    return texts;
}

template <typename Writer>
void write_ids(Writer& writer, std::string_view name, const QSet<QUuid>& ids)
{
    JsonWrite::key(writer, name);
    writer.StartArray();
    for (const UuidText& text : sorted_texts(ids))
        writer.String(text.data(), rapidjson::SizeType(text.size()));
    writer.EndArray();
}

template <typename Writer>
void write_period(Writer& writer, const DomainDisturbancePeriod& period)
{
    writer.StartObject();
    JsonWrite::key(writer, "contains_failure");
    writer.Bool(period.contains_failure);
    JsonWrite::optional_number(writer, "duration", period.duration);
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, period.id);
    JsonWrite::key(writer, "measurement_id");
    JsonWrite::uuid(writer, period.measurement.id);
    JsonWrite::key(writer, "started_at");
    JsonWrite::instant(writer, period.started_at);
    writer.EndObject();
}

template <typename Writer>
void write_levels(Writer& writer, const MonitoredDomain& domain)
{
    std::vector<std::pair<UuidText, DomainMeasurementLevel>> levels;
    levels.reserve(size_t(domain.measurements.size()));
    for (const DomainMeasurement& m : domain.measurements)
        levels.emplace_back(JsonWrite::uuid_text(m.id), domain.measurement_level(m));
    std::sort(levels.begin(), levels.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    JsonWrite::key(writer, "levels");
    writer.StartObject();
    for (const auto& [id, level] : levels) {
        writer.Key(id.data(), rapidjson::SizeType(id.size()));
        JsonWrite::string(writer, domain_measurement_level_key(level));
    }
    writer.EndObject();
}

QByteArray stats_json(const MonitoredDomain& domain)
{
    const DomainStatistics& s = domain.statistics;
    return JsonWrite::compact_text([&](auto& writer) {
        writer.StartObject();
        JsonWrite::optional_number(writer, "average_total_time", s.average_total_time);
        if (const QDateTime expires_at = latest_certificate_expiry(domain.measurements);
            expires_at.isValid()) {
            JsonWrite::key(writer, "certificate_expires_at");
            JsonWrite::instant(writer, expires_at);
        }
        write_ids(writer, "delay_measurement_ids", s.delay_measurement_ids);
        write_ids(writer, "disturbance_measurement_ids", s.disturbance_measurement_ids);
        JsonWrite::key(writer, "disturbance_periods");
        writer.StartArray();
        for (const DomainDisturbancePeriod& period : s.disturbance_periods)
            write_period(writer, period);
        writer.EndArray();
        JsonWrite::key(writer, "failure_count");
        writer.Int64(s.failure_count);
        JsonWrite::optional_number(writer, "highest_total_time", s.highest_total_time);
        JsonWrite::key(writer, "id");
        JsonWrite::uuid(writer, domain.id);
        write_levels(writer, domain);
        JsonWrite::optional_number(writer, "longest_disturbance_duration",
                                   s.longest_disturbance_duration);
        write_ids(writer, "outage_measurement_ids", s.outage_measurement_ids);
        JsonWrite::key(writer, "url_string");
        JsonWrite::string(writer, domain.url_string);
        writer.EndObject();
    });
}

void print_summary(CommandContext& context, const MonitoredDomain& domain, bool all_periods)
{
    const DomainStatistics& s = domain.statistics;
    const DateFormatter date_time = MeasurementFormatter::date_time();
    QTextStream& out = context.out;
    out << TerminalText::printable(domain.url_string) << '\n';
    if (const auto validity =
            CertificateValidity::of_latest(domain.measurements, Clock::system().now()))
        out << "  " << validity->description() << '\n';
    out << "  measurements:        " << domain.measurements.size() << '\n'
        << "  average (P15-P85):   " << MeasurementFormatter::duration(s.average_total_time) << '\n'
        << "  slowest:             " << MeasurementFormatter::duration(s.highest_total_time) << '\n'
        << "  failures:            " << s.failure_count << '\n'
        << "  delays:              " << s.delay_measurement_ids.size() << '\n'
        << "  disturbances:        " << s.disturbance_measurement_ids.size() << " (outages "
        << s.outage_measurement_ids.size() << ")\n"
        << "  longest disturbance: "
        << MeasurementFormatter::minutes(s.longest_disturbance_duration) << '\n'
        << "  disturbance periods: " << s.disturbance_periods.size() << '\n';
    // Newest first; the statistics keep them oldest first.
    const qsizetype count = s.disturbance_periods.size();
    const qsizetype shown = all_periods ? count : std::min(count, listed_periods);
    for (qsizetype i = count - 1; i >= count - shown; --i) {
        const DomainDisturbancePeriod& period = s.disturbance_periods[i];
        out << "    " << date_time.string(period.started_at) << "  "
            << (period.duration ? MeasurementFormatter::minutes(period.duration)
                                : QStringLiteral("ongoing or untimed"))
            << (period.contains_failure ? "  with failures" : "") << '\n';
    }
    if (shown < count) {
        const qsizetype more = count - shown;
        out << "    and " << more << (more == 1 ? " older period" : " older periods")
            << " (--all-periods lists them all)\n";
    }
}

} // namespace

int run_stats_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    parser.addOption({QStringLiteral("all-periods"),
                      QStringLiteral("List every disturbance period, not only the 20 newest.")});
    if (const auto exit_code = parse_command_options(context, parser, "stats", 1))
        return *exit_code;
    const auto domain =
        load_domain_for_reading(context, parser.positionalArguments().first(), "stats");
    if (!domain)
        return 1;
    if (parser.isSet(QStringLiteral("json")))
        context.out << QString::fromUtf8(stats_json(*domain)) << '\n';
    else
        print_summary(context, *domain, parser.isSet(QStringLiteral("all-periods")));
    return 0;
}
