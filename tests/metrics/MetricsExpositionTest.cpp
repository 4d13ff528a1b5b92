#include "metrics/MetricsExposition.h"

#include "MeasurementFactory.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

MonitoredDomain domain(const QString& url_string, QList<DomainMeasurement> newest_first)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = url_string;
    d.measurements = std::move(newest_first);
    d.refresh_statistics();
    return d;
}

// A domain with every kind of measurement and its newest one fully timed; one
// whose URL needs escaping; one never measured; one with local network issues
// only; an archived one that is left out.
QList<MonitoredDomain> known_domains()
{
    DomainMeasurement newest = successful(0.2125, 600);
    newest.dns_time = 0.012;
    newest.connect_time = 0.0305;
    newest.ssl_time = 0.061;
    newest.ttfb_time = 0.18;
    newest.certificate_expires_at = QDateTime(QDate(2025, 4, 30), QTime(23, 59, 59), Qt::UTC);
    DomainMeasurement with_older_certificate = successful(0.05, 420);
    with_older_certificate.certificate_expires_at = test_epoch().addDays(10);
    DomainMeasurement server_error = successful(1.25, 300, 503);
    server_error.error_message = QStringLiteral("The server answered 503.");

    DomainMeasurement down = failed(15.0, 60);
    DomainMeasurement redirect = successful(2.5, 0, 301);

    return {
        domain(QStringLiteral("https://example.com/"),
               {newest, local_issue(4.0, 540), successful(0.7, 480), with_older_certificate,
                failed(15.0, 360), server_error, successful(0.1, 240), successful(12.0, 0)}),
        domain(QStringLiteral("https://odd.example.net/a\"b\\c"), {down, redirect}),
        domain(QStringLiteral("https://new.example.org/"), {}),
        domain(QStringLiteral("http://slow-home.example/"), {local_issue(2.0, 0)}),
        [] {
            MonitoredDomain archived =
                domain(QStringLiteral("https://archived.example/"), {successful(0.3)});
            archived.is_archived = true;
            return archived;
        }(),
    };
}

QByteArray golden()
{
    QFile file(QStringLiteral(TESSARY_TEST_DATA_DIR "/metrics/known_store.prom"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Sample {
    QString name;
    QMap<QString, QString> labels;
    double value = 0;
};

// Reads the text back as a scraper would; fails the test at the first line that
// is not well-formed or a sample that no HELP and TYPE announced.
QList<Sample> parse_exposition(const QByteArray& text)
{
    static const QRegularExpression sample_line(
        QStringLiteral(R"(^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\{(.*)\})? (\S+)$)"));
    static const QRegularExpression label_pair(
        QStringLiteral(R"(^([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\\n]|\\[\\"n])*)\"(,|$))"));
    QMap<QString, QString> types;
    QSet<QString> helped, finished;
    QString current;
    QList<Sample> samples;
    EXPECT_TRUE(text.endsWith('\n'));
    for (const QString& line :
         QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (line.startsWith(QLatin1String("# HELP "))) {
            EXPECT_FALSE(helped.contains(words[2])) << "second HELP: " << line.toStdString();
            helped.insert(words[2]);
            continue;
        }
        if (line.startsWith(QLatin1String("# TYPE "))) {
            EXPECT_TRUE(helped.contains(words[2])) << "TYPE before HELP: " << line.toStdString();
            EXPECT_EQ(words.size(), 4);
            EXPECT_FALSE(types.contains(words[2])) << line.toStdString();
            types[words[2]] = words.value(3);
            if (!current.isEmpty())
                finished.insert(current);
            current = words[2];
            continue;
        }
        const QRegularExpressionMatch match = sample_line.match(line);
        EXPECT_TRUE(match.hasMatch()) << "malformed: " << line.toStdString();
        if (!match.hasMatch())
            continue;
        Sample sample{match.captured(1), {}, 0};
        QString family = sample.name;
        if (types.value(current) == QLatin1String("histogram"))
            family.remove(QRegularExpression(QStringLiteral("_(bucket|sum|count)$")));
        EXPECT_EQ(family, current) << "sample outside its family: " << line.toStdString();
        QString labels = match.captured(2);
        while (!labels.isEmpty()) {
            const QRegularExpressionMatch pair = label_pair.match(labels);
            EXPECT_TRUE(pair.hasMatch()) << "bad labels: " << line.toStdString();
            if (!pair.hasMatch())
                break;
            QString value;
            const QString escaped = pair.captured(2);
            for (qsizetype i = 0; i < escaped.size(); ++i) {
                const bool escape = escaped[i] == QLatin1Char('\\');
                if (escape)
                    ++i;
                value += escape && escaped[i] == QLatin1Char('n') ? QLatin1Char('\n') : escaped[i];
            }
            sample.labels[pair.captured(1)] = value;
            labels.remove(0, pair.capturedLength());
        }
        const QString value = match.captured(3);
        bool ok = value == QLatin1String("+Inf") || value == QLatin1String("NaN");
        sample.value = ok ? 0 : value.toDouble(&ok);
        EXPECT_TRUE(ok) << "bad value: " << line.toStdString();
        samples.append(sample);
    }
    return samples;
}

TEST(MetricsExposition, known_store_matches_the_golden_text)
{
    const QByteArray text = MetricsExposition().render(known_domains());
    const QByteArray expected = golden();
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(text.toStdString(), expected.toStdString());
}

TEST(MetricsExposition, reads_back_with_every_label_and_cumulative_buckets)
{
    const QList<MonitoredDomain> domains = known_domains();
    const QList<Sample> samples = parse_exposition(MetricsExposition().render(domains));
    ASSERT_FALSE(samples.isEmpty());

    QMap<QString, double> previous_bucket;
    QSet<QString> counted, shown;
    for (const MonitoredDomain& d : domains) {
        if (!d.is_archived)
            shown.insert(d.url_string);
    }
    for (const Sample& s : samples) {
        if (s.name == QLatin1String("tessary_measurements_total"))
            counted.insert(s.labels.value(QStringLiteral("url")));
        EXPECT_TRUE(s.labels.contains(QStringLiteral("domain")));
        const QString url = s.labels.value(QStringLiteral("url"));
        EXPECT_TRUE(shown.contains(url)) << url.toStdString();
        if (s.name == QLatin1String("tessary_total_time_seconds_bucket")) {
            EXPECT_GE(s.value, previous_bucket.value(url)) << url.toStdString();
            previous_bucket[url] = s.value;
        }
        if (s.name == QLatin1String("tessary_total_time_seconds_count")) {
            EXPECT_EQ(s.value, previous_bucket.value(url)) << "+Inf bucket and count differ";
        }
    }
    EXPECT_EQ(counted, shown);
}

TEST(MetricsExposition, passes_promtool)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    check.write(MetricsExposition().render(known_domains()));
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30'000));
    const QByteArray problems = check.readAllStandardOutput() + check.readAllStandardError();
    EXPECT_EQ(check.exitCode(), 0) << problems.constData();
    EXPECT_TRUE(problems.trimmed().isEmpty()) << problems.constData();
}

// Whatever happened to the domains between two scrapes, the kept tallies give the
// same text as counting everything afresh.
struct Change {
    const char* name;
    std::function<void(QList<MonitoredDomain>&)> apply;
};

void PrintTo(const Change& c, std::ostream* out)
{
    *out << c.name;
}

class ExpositionAfterChange : public ::testing::TestWithParam<Change> {};

TEST_P(ExpositionAfterChange, equals_a_fresh_count)
{
    QList<MonitoredDomain> domains = known_domains();
    MetricsExposition kept;
    const QByteArray before = kept.render(domains);
    GetParam().apply(domains);
    for (MonitoredDomain& d : domains)
        d.refresh_statistics();
    const QByteArray after = kept.render(domains);
    EXPECT_NE(after, before);
    EXPECT_EQ(after.toStdString(), MetricsExposition().render(domains).toStdString());
}

void prepend(MonitoredDomain& d, const DomainMeasurement& m)
{
    d.measurements.prepend(m);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpositionAfterChange,
    ::testing::Values(
        Change{"one_new_measurement", [](auto& ds) { prepend(ds[0], failed(15.0, 660)); }},
        Change{"new_measurements_on_several_domains",
               [](auto& ds) {
                   prepend(ds[0], local_issue(3.0, 660));
                   prepend(ds[0], successful(0.4, 720));
                   prepend(ds[2], successful(0.08, 60));
                   prepend(ds[3], successful(0.3, 60));
               }},
        Change{"history_cleared", [](auto& ds) { ds[0].measurements.clear(); }},
        Change{"cleared_then_measured",
               [](auto& ds) { ds[0].measurements = {successful(5.0, 900)}; }},
        Change{"history_reloaded_with_the_same_length",
               [](auto& ds) {
                   for (DomainMeasurement& m : ds[1].measurements)
                       m = successful(0.9, m.measured_at.toSecsSinceEpoch() -
                                               test_epoch().toSecsSinceEpoch());
               }},
        Change{"domain_removed", [](auto& ds) { ds.removeAt(0); }},
        Change{"domain_archived", [](auto& ds) { ds[0].is_archived = true; }},
        Change{"domain_unarchived", [](auto& ds) { ds[4].is_archived = false; }},
        Change{"url_edited",
               [](auto& ds) { ds[0].url_string = QStringLiteral("https://www.example.com/"); }},
        Change{"domain_added",
               [](auto& ds) {
                   ds.append(domain(QStringLiteral("https://added.example/"),
                                    {successful(0.6, 30), failed(0.01)}));
               }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
