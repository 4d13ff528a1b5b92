#include "report/TessaryReportService.h"

#include "i18n/L10n.h"
#include "model/DomainHost.h"
#include "model/DomainJson.h"
#include "model/IsoDate.h"

#include <QCollator>

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <algorithm>

namespace {

QString file_date(const QDate& today)
{
    return today.toString(QStringLiteral("yyyy-MM-dd"));
}

QString quoted(const QString& cell)
{
    QString text = cell;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString seconds_cell(std::optional<double> seconds)
{
    return seconds ? QString::asprintf("%.6f", *seconds) : QString();
}

QString headers_cell(const QMap<QString, QString>& headers)
{
    QStringList names = headers.keys();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    QStringList entries;
    for (const QString& name : std::as_const(names))
        entries.append(name + QStringLiteral(": ") + headers.value(name));
    return entries.join(QStringLiteral("; "));
}

void append_line(QString& text, const QStringList& cells)
{
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += quoted(cells[i]);
    }
    text += QLatin1Char('\n');
}

std::optional<QString> write_all(QIODevice& device, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return L10n::text(u"The generated export was empty.", u"De gegenereerde export was leeg.");
    if (device.write(bytes) != bytes.size())
        return device.errorString();
    return std::nullopt;
}

} // namespace

QString TessaryReportService::file_name_part(const MonitoredDomain& domain)
{
    QString name = domain_host(domain.url_string);
    for (const QChar c : u"/:\\?%*|\"<>")
        name.replace(c, QLatin1Char('-'));
    return name;
}

QString TessaryReportService::proposed_json_file_name(const MonitoredDomain& domain,
                                                      const QDate& today)
{
    return file_name_part(domain) + QLatin1Char(' ') + file_date(today) + QStringLiteral(".json");
}

QString TessaryReportService::proposed_csv_file_name(const MonitoredDomain& domain,
                                                     const QDate& today)
{
    return file_name_part(domain) + QLatin1Char(' ') + file_date(today) + QStringLiteral(".csv");
}

QString TessaryReportService::proposed_pdf_file_name(const MonitoredDomain& domain,
                                                     const QDate& today)
{
    return file_name_part(domain) + QLatin1Char(' ') + L10n::text(u"Report", u"Rapport") +
           QLatin1Char(' ') + file_date(today) + QStringLiteral(".pdf");
}

QString TessaryReportService::proposed_report_file_name(const QDate& today)
{
    return L10n::text(u"Tessary Report", u"Tessary Rapport") + QLatin1Char(' ') + file_date(today) +
           QStringLiteral(".pdf");
}

QByteArray TessaryReportService::json_export(const MonitoredDomain& domain)
{
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    DomainJson::write(writer, domain);
    return QByteArray(buffer.GetString(), qsizetype(buffer.GetSize()));
}

QString TessaryReportService::csv_string(const MonitoredDomain& domain)
{
    QString text;
    append_line(text, {QStringLiteral("domain"), QStringLiteral("configured_url"),
                       QStringLiteral("measured_at"), QStringLiteral("measured_url"),
                       QStringLiteral("dns_seconds"), QStringLiteral("connect_seconds"),
                       QStringLiteral("ssl_seconds"), QStringLiteral("ttfb_seconds"),
                       QStringLiteral("total_seconds"), QStringLiteral("network_baseline_seconds"),
                       QStringLiteral("http_status"), QStringLiteral("is_failure"),
                       QStringLiteral("is_local_network_issue"), QStringLiteral("error_message"),
                       QStringLiteral("response_x_headers")});
    const QString host = domain_host(domain.url_string);
    const auto boolean = [](bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    };
    for (const DomainMeasurement& m : domain.measurements) {
        append_line(text,
                    {host, domain.url_string,
                     QString::fromLatin1(IsoDate::format_with_milliseconds(m.measured_at)),
                     m.url_string.value_or(QString()), seconds_cell(m.dns_time),
                     seconds_cell(m.connect_time), seconds_cell(m.ssl_time),
                     seconds_cell(m.ttfb_time), seconds_cell(m.total_time),
                     seconds_cell(m.network_baseline_time),
                     m.http_status ? QString::number(*m.http_status) : QString(),
                     boolean(m.is_failed()), boolean(m.is_local_network_issue),
                     m.error_message.value_or(QString()), headers_cell(m.response_x_headers)});
    }
    return text;
}

std::optional<QString> TessaryReportService::write_json(const MonitoredDomain& domain,
                                                        QIODevice& device)
{
    return write_all(device, json_export(domain));
}

std::optional<QString> TessaryReportService::write_csv(const MonitoredDomain& domain,
                                                       QIODevice& device)
{
    return write_all(device, csv_string(domain).toUtf8());
}
