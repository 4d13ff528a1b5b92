#include "MetricsExposition.h"

#include "model/DomainHost.h"
#include "model/RedactedUrl.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

struct Row {
    const MonitoredDomain* domain;
    const QByteArray* labels;
    const DomainTally* tally;
};

// Label values escape backslash, double quote and line feed.
void append_label_value(QByteArray& out, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    out.reserve(out.size() + utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    out += '"';
}

// Whoever scrapes reads these: the URL without credentials or query values.
QByteArray label_pairs(const QString& url_string)
{
    const QString shown = redacted_url(url_string);
    QByteArray labels("domain=");
    append_label_value(labels, domain_host(shown));
    labels += ",url=";
    append_label_value(labels, shown);
    return labels;
}

// Shortest text that reads back as `v`, as Prometheus reads numbers.
void append_number(QByteArray& out, double v)
{
    if (std::isnan(v)) {
        out += "NaN";
    } else if (std::isinf(v)) {
        out += v > 0 ? "+Inf" : "-Inf";
    } else {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        out.append(buffer, result.ptr - buffer);
    }
}

class Writer {
public:
    explicit Writer(qsizetype expected_size) { out_.reserve(expected_size); }

    void family(const char* name, const char* type, const char* help)
    {
        out_ += "# HELP ";
        out_ += name;
        out_ += ' ';
        out_ += help;
        out_ += "\n# TYPE ";
        out_ += name;
        out_ += ' ';
        out_ += type;
        out_ += '\n';
    }

    // name{labels[,extra]} value
    void sample_start(const char* name, const QByteArray& labels, const char* extra = nullptr)
    {
        out_ += name;
        out_ += '{';
        out_ += labels;
        if (extra != nullptr) {
            out_ += ',';
            out_ += extra;
        }
        out_ += "} ";
    }

    void value(double v)
    {
        append_number(out_, v);
        out_ += '\n';
    }

    void value(qint64 v)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        out_.append(buffer, result.ptr - buffer);
        out_ += '\n';
    }

    void sample(const char* name, const QByteArray& labels, double v)
    {
        sample_start(name, labels);
        value(v);
    }

    void sample(const char* name, const QByteArray& labels, qint64 v)
    {
        sample_start(name, labels);
        value(v);
    }

    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
};

// The "le" label of each bucket, +Inf last.
const auto bucket_labels = [] {
    std::array<QByteArray, DomainTally::bucket_bounds.size() + 1> labels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i] = "le=\"";
        append_number(labels[i], i < DomainTally::bucket_bounds.size()
                                     ? DomainTally::bucket_bounds[i]
                                     : std::numeric_limits<double>::infinity());
        labels[i] += '"';
    }
    return labels;
}();

void write_last_measurement(Writer& w, const std::vector<Row>& rows)
{
    w.family("tessary_last_total_time_seconds", "gauge",
             "Total time of the latest measurement, redirects included.");
    for (const Row& row : rows) {
        if (!row.domain->measurements.isEmpty())
            w.sample("tessary_last_total_time_seconds", *row.labels,
                     row.domain->measurements.first().total_time);
    }

    w.family("tessary_last_phase_time_seconds", "gauge",
             "Time of each phase of the latest measurement: DNS lookup, TCP connect, TLS "
             "handshake, time to first byte.");
    for (const Row& row : rows) {
        if (row.domain->measurements.isEmpty())
            continue;
        const DomainMeasurement& m = row.domain->measurements.first();
        const std::pair<const char*, const std::optional<double>*> phases[] = {
            {"phase=\"dns\"", &m.dns_time},
            {"phase=\"connect\"", &m.connect_time},
            {"phase=\"tls\"", &m.ssl_time},
            {"phase=\"ttfb\"", &m.ttfb_time},
        };
        for (const auto& [label, time] : phases) {
            if (time->has_value()) {
                w.sample_start("tessary_last_phase_time_seconds", *row.labels, label);
                w.value(**time);
            }
        }
    }

    w.family("tessary_last_http_status", "gauge",
             "HTTP status of the latest measurement; absent when no response arrived.");
    for (const Row& row : rows) {
        if (!row.domain->measurements.isEmpty() &&
            row.domain->measurements.first().http_status.has_value())
            w.sample("tessary_last_http_status", *row.labels,
                     qint64(*row.domain->measurements.first().http_status));
    }

    w.family("tessary_last_measurement_timestamp_seconds", "gauge",
             "When the latest measurement started, as a Unix timestamp.");
    for (const Row& row : rows) {
        if (!row.domain->measurements.isEmpty())
            w.sample("tessary_last_measurement_timestamp_seconds", *row.labels,
                     double(row.domain->measurements.first().measured_at.toMSecsSinceEpoch()) /
                         1000.0);
    }
}

void write_assessment(Writer& w, const std::vector<Row>& rows)
{
    w.family("tessary_up", "gauge",
             "1 when the latest measurement that was not a local network issue succeeded, 0 "
             "when it failed.");
    for (const Row& row : rows) {
        if (row.tally->last_assessed_successful.has_value())
            w.sample("tessary_up", *row.labels, qint64(*row.tally->last_assessed_successful));
    }

    w.family("tessary_average_total_time_seconds", "gauge",
             "Mean total time over the 15th to 85th percentile of the whole history, local "
             "network issues left out.");
    for (const Row& row : rows) {
        if (row.domain->statistics.average_total_time.has_value())
            w.sample("tessary_average_total_time_seconds", *row.labels,
                     *row.domain->statistics.average_total_time);
    }

    w.family("tessary_certificate_expiry_timestamp_seconds", "gauge",
             "When the site's TLS certificate expires, as a Unix timestamp, from the latest "
             "measurement that saw it.");
    for (const Row& row : rows) {
        if (row.tally->certificate_expires_at.isValid())
            w.sample("tessary_certificate_expiry_timestamp_seconds", *row.labels,
                     row.tally->certificate_expires_at.toSecsSinceEpoch());
    }
}

void write_counters(Writer& w, const std::vector<Row>& rows)
{
    w.family("tessary_measurements_total", "counter",
             "Measurements in the history, local network issues included.");
    for (const Row& row : rows)
        w.sample("tessary_measurements_total", *row.labels, row.tally->measurement_count);

    w.family("tessary_failures_total", "counter",
             "Failed measurements in the history: an error, no response or a status outside "
             "200-399.");
    for (const Row& row : rows)
        w.sample("tessary_failures_total", *row.labels, row.tally->failure_count);

    w.family("tessary_local_network_issues_total", "counter",
             "Measurements in the history taken while the local network was slow; they count "
             "neither as failed nor as successful.");
    for (const Row& row : rows)
        w.sample("tessary_local_network_issues_total", *row.labels,
                 row.tally->local_network_issue_count);
}

void write_histogram(Writer& w, const std::vector<Row>& rows)
{
    w.family("tessary_total_time_seconds", "histogram",
             "Total times of the measurements in the history that were not local network "
             "issues.");
    for (const Row& row : rows) {
        qint64 cumulative = 0;
        for (std::size_t i = 0; i < bucket_labels.size(); ++i) {
            cumulative += row.tally->bucket_counts[i];
            w.sample_start("tessary_total_time_seconds_bucket", *row.labels,
                           bucket_labels[i].constData());
            w.value(cumulative);
        }
        w.sample("tessary_total_time_seconds_sum", *row.labels, row.tally->total_time_sum);
        w.sample("tessary_total_time_seconds_count", *row.labels, cumulative);
    }
}

} // namespace

bool MetricsExposition::sync_entry(const MonitoredDomain& domain)
{
    Entry& entry = entries_[domain.id];
    entry.generation = generation_;
    // A relabel makes sync() label every entry again (keep_series_apart).
    const bool relabelled =
        entry.redacted_labels.isEmpty() || entry.url_string != domain.url_string;
    if (relabelled) {
        entry.url_string = domain.url_string;
        entry.redacted_labels = label_pairs(domain.url_string);
    }

    const QList<DomainMeasurement>& history = domain.measurements;
    const qint64 grown = history.size() - entry.tally.measurement_count;
    const bool continues =
        grown >= 0 && (entry.tally.measurement_count == 0 ||
                       (history[grown].id == entry.tally.newest_id &&
                        history[grown].measured_at == entry.tally.newest_measured_at));
    // Anything but new measurements at the head (a cleared, replaced or reloaded
    // history) is counted again.
    qsizetype first_new = grown - 1;
    if (!continues) {
        entry.tally = DomainTally();
        first_new = history.size() - 1;
    }
    for (qsizetype i = first_new; i >= 0; --i)
        entry.tally.add(history[i]);
    return relabelled;
}

void MetricsExposition::sync(const QList<MonitoredDomain>& domains)
{
    ++generation_;
    qsizetype shown = 0;
    bool relabelled = false;
    for (const MonitoredDomain& domain : domains) {
        if (!domain.is_archived) {
            relabelled = sync_entry(domain) || relabelled;
            ++shown;
        }
    }
    // Forget removed and archived domains.
    if (entries_.size() > shown) {
        entries_.removeIf(
            [this](QHash<QUuid, Entry>::iterator it) { return it->generation != generation_; });
        relabelled = true;
    }
    if (relabelled)
        keep_series_apart();
}

void MetricsExposition::keep_series_apart()
{
    QHash<QByteArray, int> uses;
    uses.reserve(entries_.size());
    for (const Entry& entry : std::as_const(entries_))
        ++uses[entry.redacted_labels];
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        it->labels = it->redacted_labels;
        if (uses.value(it->redacted_labels) > 1) {
            it->labels += ",id=";
            append_label_value(it->labels, it.key().toString(QUuid::WithoutBraces).toUpper());
        }
    }
}

QByteArray MetricsExposition::render(const QList<MonitoredDomain>& domains)
{
    sync(domains);
    // Only now, with the table settled, may rows point into it.
    std::vector<Row> rows;
    rows.reserve(std::size_t(entries_.size()));
    qsizetype label_bytes = 0;
    for (const MonitoredDomain& domain : domains) {
        if (domain.is_archived)
            continue;
        const Entry& entry = *entries_.constFind(domain.id);
        rows.push_back({&domain, &entry.labels, &entry.tally});
        label_bytes += entry.labels.size();
    }

    Writer w(4096 + 30 * (label_bytes + 48));
    write_last_measurement(w, rows);
    write_assessment(w, rows);
    write_counters(w, rows);
    write_histogram(w, rows);
    return w.take();
}
