#include "report/ReportContent.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "model/DomainHost.h"
#include "report/HeartbeatStrip.h"
#include "report/ReportQualification.h"
#include "report/TotalTimeChart.h"

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace ReportContent {

namespace {

constexpr double metric_card_row_height = 52.0;
constexpr double metric_card_height = 44.0;
constexpr double table_header_height = 21.0;
constexpr double table_row_height = 18.0;

// The trimmed average of one optional phase time over the successful measurements.
std::optional<double> trimmed_phase_average(const QList<const DomainMeasurement*>& successful,
                                            std::optional<double> DomainMeasurement::*phase)
{
    std::vector<double> values;
    values.reserve(std::size_t(successful.size()));
    for (const DomainMeasurement* m : successful) {
        if (const std::optional<double>& value = m->*phase)
            values.push_back(*value);
    }
    return ReportQualification::trimmed_average(std::move(values));
}

QList<std::pair<QString, QString>> metric_cards(const MonitoredDomain& domain,
                                                const ReportMeasurements& measurements,
                                                qsizetype downtime_count)
{
    const DomainStatistics& statistics = domain.statistics;
    return {
        {L10n::text(u"Average P15-P85", u"Gemiddelde P15-P85"),
         MeasurementFormatter::duration(statistics.average_total_time)},
        {L10n::text(u"Fastest", u"Snelste"), MeasurementFormatter::duration(measurements.fastest)},
        {L10n::text(u"Highest", u"Hoogste"),
         MeasurementFormatter::duration(statistics.highest_total_time)},
        {u"Uptime"_s, ReportQualification::percentage(measurements.uptime)},
        {u"Calls"_s, QString::number(domain.measurements.size())},
        {L10n::text(u"Disturbances", u"Verstoringen"),
         QString::number(statistics.disturbance_measurement_ids.size())},
        {u"Downtime"_s, QString::number(downtime_count)},
        {u"Interval"_s, QString::number(domain.interval_seconds) + u's'},
    };
}

} // namespace

QString date_range(const std::optional<QDateTime>& first, const std::optional<QDateTime>& last)
{
    if (!first || !last)
        return u"-"_s;
    const DateFormatter format = MeasurementFormatter::date_time();
    return format.string(*first) + u" - "_s + format.string(*last);
}

bool draw_report(PDFDocumentWriter& writer, const QList<MonitoredDomain>& domains,
                 const QDateTime& generated_at, const ReportProgress& progress)
{
    writer.draw_title(L10n::text(u"Tessary Report", u"Tessary Rapport"));
    writer.draw_paragraph(L10n::text(u"Generated", u"Gegenereerd") + u": "_s +
                              MeasurementFormatter::date_time().string(generated_at),
                          10.0, QFont::Normal, ReportColor::secondary_label);
    qsizetype measurement_count = 0;
    for (const MonitoredDomain& domain : domains)
        measurement_count += domain.measurements.size();
    writer.draw_paragraph(
        L10n::text(u"Domains", u"Domeinen") + u": "_s + QString::number(domains.size()) + u"   "_s +
            L10n::text(u"Measurements", u"Metingen") + u": "_s + QString::number(measurement_count),
        11.0, QFont::Medium, ReportColor::label);
    // Told at most once per thousandth, so that a display of it costs nothing.
    double told = -1.0;
    const auto tell = [&](double fraction) {
        if (!progress || (fraction - told < 0.001 && fraction < 1.0))
            return true;
        told = fraction;
        return progress(fraction);
    };
    if (!tell(0.0))
        return false;
    const auto count = double(domains.size());
    for (qsizetype i = 0; i < domains.size(); ++i) {
        if (i > 0)
            writer.begin_page();
        const auto within = [&](double fraction) { return tell((double(i) + fraction) / count); };
        if (!draw_domain(writer, domains[i], within))
            return false;
    }
    return tell(1.0);
}

bool draw_domain(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                 const ReportProgress& progress)
{
    writer.draw_title(domain_host(domain.url_string));
    writer.draw_paragraph(domain.url_string, 10.0, QFont::Normal, ReportColor::secondary_label);
    if (domain.measurements.isEmpty()) {
        writer.draw_paragraph(
            L10n::text(u"No measurements available.", u"Geen metingen beschikbaar."), 10.0,
            QFont::Normal, ReportColor::secondary_label);
        return !progress || progress(1.0);
    }
    const ReportMeasurements measurements = ReportMeasurements::of(domain);
    const QList<DowntimePeriod> periods =
        DowntimePeriod::build(measurements.assessed, domain.interval_seconds);

    writer.draw_paragraph(L10n::text(u"Data period", u"Dataperiode") + u": "_s +
                              date_range(measurements.first, measurements.last),
                          9.0, QFont::Normal, ReportColor::secondary_label);
    writer.advance(6.0);

    const QList<std::pair<QString, QString>> cards =
        metric_cards(domain, measurements, periods.size());
    // The cards stay together on one page: after a long wrapped title or URL they
    // would otherwise run off its bottom edge.
    const double cards_height =
        metric_card_row_height * double((cards.size() + 3) / 4 - 1) + metric_card_height;
    if (writer.y() + cards_height > PDFDocumentWriter::content_bottom)
        writer.begin_page();
    writer.draw_metric_cards(cards);

    writer.draw_section_title(u"Heartbeat"_s, HeartbeatStrip::height);
    draw_heartbeat(writer, domain, measurements.sorted);
    writer.advance(8.0);

    writer.draw_section_title(L10n::text(u"Total Time", u"Totale tijd"), TotalTimeChart::height);
    draw_total_time_chart(writer, domain, measurements.assessed);
    writer.advance(10.0);

    // The table of a long history is most of the work.
    constexpr double before_table = 0.2;
    if (progress && !progress(before_table))
        return false;
    const auto rows = [&](double fraction) {
        return !progress || progress(before_table + (1.0 - before_table) * fraction);
    };
    if (!draw_downtime_table(writer, domain, periods, rows))
        return false;
    writer.advance(10.0);

    draw_interpretation(writer, domain, measurements);
    return !progress || progress(1.0);
}

void draw_heartbeat(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                    const QList<const DomainMeasurement*>& sorted)
{
    const QRectF box(PDFDocumentWriter::content_left, writer.y(), PDFDocumentWriter::content_width,
                     HeartbeatStrip::height);
    writer.fill_rect(box, ReportColor::separator);
    const HeartbeatStrip strip = HeartbeatStrip::layout(domain, sorted, box);
    // In time order: where segments are thinner than a dot of ink, the later one
    // covers the edge of the earlier, as it always has.
    for (const HeartbeatStrip::Segment& segment : strip.segments)
        writer.fill_rects(
            {QRectF(segment.left, box.top(), segment.right - segment.left, box.height())},
            segment.color);
    writer.advance(16.0);
}

void draw_total_time_chart(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                           const QList<const DomainMeasurement*>& assessed)
{
    const QRectF box(PDFDocumentWriter::content_left, writer.y(), PDFDocumentWriter::content_width,
                     TotalTimeChart::height);
    writer.fill_rect(box, ReportColor::control_background, 0.35);
    const TotalTimeChart chart = TotalTimeChart::layout(domain, assessed, box);
    if (!chart.has_successful) {
        writer.draw_line(L10n::text(u"No successful measurements available.",
                                    u"Geen geslaagde metingen beschikbaar."),
                         box.adjusted(8.0, 8.0, -8.0, -8.0), 7.5, QFont::Normal,
                         ReportColor::secondary_label);
        writer.advance(TotalTimeChart::height);
        return;
    }

    for (const double fraction : {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}) {
        const double y = box.top() + box.height() * fraction;
        writer.stroke_polyline({QPointF(box.left(), y), QPointF(box.right(), y)}, 0.5,
                               ReportColor::separator);
    }

    // Consecutive segments of one colour go out as one line, in time order.
    QPolygonF run;
    ReportColor run_color = ReportColor::primary;
    for (qsizetype i = 0; i + 1 < chart.points.size(); ++i) {
        const TotalTimeChart::Point& from = chart.points[i];
        const TotalTimeChart::Point& to = chart.points[i + 1];
        const ReportColor color =
            from.failed || to.failed ? ReportColor::red : ReportColor::primary;
        if (!run.isEmpty() && color != run_color) {
            writer.stroke_polyline(run, 1.5, run_color);
            run.clear();
        }
        if (run.isEmpty())
            run.append(from.position);
        run.append(to.position);
        run_color = color;
    }
    writer.stroke_polyline(run, 1.5, run_color);

    for (const TotalTimeChart::Threshold& threshold : chart.thresholds) {
        const double y = chart.y_of(threshold.value);
        writer.stroke_polyline({QPointF(box.left(), y), QPointF(box.right(), y)}, 1.5,
                               threshold.color, threshold.dash);
    }

    for (qsizetype start = 0; start < chart.dots.size();) {
        const ReportColor color = chart.dots[start].color;
        QList<QPointF> centres;
        qsizetype end = start;
        for (; end < chart.dots.size() && chart.dots[end].color == color; ++end)
            centres.append(chart.dots[end].centre);
        writer.draw_dots(centres, TotalTimeChart::dot_diameter, color);
        start = end;
    }

    // The labels sit on a backdrop: the curve of a fast site runs right through "0 ms".
    const auto axis_label = [&writer](const QString& text, const QRectF& label_box) {
        const double width =
            std::min(writer.text_width(text, 7.0, QFont::Normal), label_box.width());
        writer.fill_rect(QRectF(label_box.left() - 2.0, label_box.top() - 0.5, width + 4.0, 10.0),
                         ReportColor::control_background, 0.9);
        writer.draw_line(text, label_box, 7.0, QFont::Normal, ReportColor::secondary_label);
    };
    axis_label(MeasurementFormatter::duration(chart.top_value),
               QRectF(box.left() + 4.0, box.top() + 3.0, 60.0, 12.0));
    axis_label(MeasurementFormatter::duration(0.0),
               QRectF(box.left() + 4.0, box.bottom() - 13.0, 60.0, 10.0));
    writer.advance(TotalTimeChart::height);
}

bool draw_downtime_table(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                         const QList<DowntimePeriod>& periods, const ReportProgress& progress)
{
    // A title is kept with the first lines below it rather than left alone at the
    // bottom of a page.
    const QString title = L10n::text(u"Downtime Moments", u"Downtime-momenten");
    if (periods.isEmpty()) {
        const QString note = L10n::text(u"No downtime was recorded during this period.",
                                        u"In deze periode is geen downtime geregistreerd.");
        writer.draw_section_title(title, writer.text_block_height(note, 9.0, QFont::Normal) + 2.0);
        writer.draw_paragraph(note, 9.0, QFont::Normal, ReportColor::secondary_label);
        return true;
    }
    writer.draw_section_title(title, table_header_height + table_row_height);
    const QList<PDFDocumentWriter::TableColumn> columns = {
        {L10n::text(u"Date", u"Datum"), 75.0},
        {L10n::text(u"Time", u"Tijd"), 65.0},
        {L10n::text(u"Duration", u"Duur"), 70.0},
        {u"HTTP"_s, 55.0},
        {u"URL"_s, 220.0},
        {L10n::text(u"Error", u"Fout"), 289.0},
    };
    writer.draw_table_header(columns);

    const QString host = domain_host(domain.url_string);
    const DateFormatter date = MeasurementFormatter::date();
    const DateFormatter time = MeasurementFormatter::time();
    const QString request_failed = L10n::text(u"HTTP request failed", u"HTTP-request mislukt");
    for (qsizetype i = 0; i < periods.size(); ++i) {
        if (progress && !progress(double(i) / double(periods.size())))
            return false;
        if (writer.y() + 22.0 > PDFDocumentWriter::content_bottom) {
            writer.begin_page();
            writer.draw_title(host + u" - Downtime"_s);
            writer.draw_table_header(columns);
        }
        const DowntimePeriod& period = periods[i];
        const DomainMeasurement& failure = period.first_failure;
        writer.draw_table_row(columns,
                              {date.string(failure.measured_at), time.string(failure.measured_at),
                               ReportQualification::downtime_duration(period.duration),
                               failure.http_status ? QString::number(*failure.http_status) : u"-"_s,
                               failure.url_string.value_or(domain.url_string),
                               failure.error_message.value_or(request_failed)},
                              ReportColor::red);
    }
    return true;
}

QStringList interpretation_paragraphs(const MonitoredDomain& domain,
                                      const ReportMeasurements& measurements)
{
    using MeasurementFormatter::duration;
    using ReportQualification::reliability_qualification;
    using ReportQualification::speed_qualification;
    const DomainStatistics& statistics = domain.statistics;
    const QString host = domain_host(domain.url_string);
    const std::optional<double> average = statistics.average_total_time;
    const std::optional<double> ttfb =
        trimmed_phase_average(measurements.successful, &DomainMeasurement::ttfb_time);
    const std::optional<double> dns =
        trimmed_phase_average(measurements.successful, &DomainMeasurement::dns_time);
    const std::optional<double> connect =
        trimmed_phase_average(measurements.successful, &DomainMeasurement::connect_time);
    const std::optional<double> tls =
        trimmed_phase_average(measurements.successful, &DomainMeasurement::ssl_time);
    const QString assessed_count =
        QString::number(measurements.successful.size() + measurements.failed.size());
    const QString failed_count = QString::number(measurements.failed.size());
    const QString disturbance_count =
        QString::number(statistics.disturbance_measurement_ids.size());
    const QString uptime = ReportQualification::percentage(measurements.uptime);
    const QString longest = MeasurementFormatter::minutes(statistics.longest_disturbance_duration);
    const QString reference = u"https://web.dev/articles/ttfb"_s;

    if (L10n::uses_dutch()) {
        return {
            u"P15-P85 laat de laagste 15% en hoogste 15% van de metingen buiten het gemiddelde. "
            u"Daardoor hebben incidentele pieken minder invloed. Voor "_s +
                host + u" is de gemiddelde totale requesttijd volgens P15-P85 "_s +
                duration(average) +
                u". Op basis van de Google TTFB-bandbreedtes als indicatieve benchmark voor "
                u"requests is dit "_s +
                speed_qualification(average) + u"."_s,
            u"De gemiddelde TTFB is "_s + duration(ttfb) + u": "_s + speed_qualification(ttfb) +
                u". Google beschouwt een TTFB tot 0,8 s als goed, 0,8-1,8 s als voor verbetering "
                u"vatbaar en boven 1,8 s als slecht. TTFB omvat de wachttijd tot de eerste "
                u"responsebyte en sluit binnen Tessary het beste aan op de Lighthouse-richtlijn "
                u"voor serverrespons."_s,
            u"De snelste request was "_s + duration(measurements.fastest) + u" en de hoogste "_s +
                duration(statistics.highest_total_time) +
                u". De getrimde gemiddelden van de verbindingsfasen zijn DNS "_s + duration(dns) +
                u", TCP-verbinding "_s + duration(connect) + u" en TLS "_s + duration(tls) +
                u". Grote verschillen tussen de snelste en hoogste waarde wijzen op wisselend "
                u"responsegedrag."_s,
            u"De beschikbaarheid is "_s + uptime + u" ("_s +
                reliability_qualification(measurements.uptime) + u"), gebaseerd op "_s +
                assessed_count + u" beoordeelde calls. Het rapport bevat "_s + failed_count +
                u" mislukte calls en "_s + disturbance_count +
                u" verstoringen; de langste aaneengesloten verstoring duurde "_s + longest + u"."_s,
            u"Reikwijdte: Tessary meet netwerk- en serverresponsfasen, niet de "
            u"browser-renderingmetrics FCP, LCP, TBT, CLS of Speed Index. Deze kwalificaties zijn "
            u"daarom diagnostische duiding en geen volledige Lighthouse-prestatiescore. Bron: "_s +
                reference,
        };
    }
    return {
        u"P15-P85 excludes the lowest 15% and highest 15% of measurements from the average. This "
        u"reduces the influence of incidental peaks. For "_s +
            host + u", the P15-P85 average total request time is "_s + duration(average) +
            u", qualified as "_s + speed_qualification(average) +
            u" using the Google TTFB bands as an indicative request-speed benchmark."_s,
        u"The average TTFB is "_s + duration(ttfb) + u": "_s + speed_qualification(ttfb) +
            u". Google considers TTFB up to 0.8 s good, 0.8-1.8 s needs improvement, and above "
            u"1.8 s poor. TTFB covers the wait until the first response byte and is the closest "
            u"Tessary metric to Lighthouse server-response guidance."_s,
        u"The fastest request was "_s + duration(measurements.fastest) +
            u" and the highest was "_s + duration(statistics.highest_total_time) +
            u". The trimmed connection-phase averages are DNS "_s + duration(dns) +
            u", TCP connect "_s + duration(connect) + u", and TLS "_s + duration(tls) +
            u". Large differences between the fastest and highest values indicate inconsistent "
            u"response behavior."_s,
        u"Availability is "_s + uptime + u" ("_s + reliability_qualification(measurements.uptime) +
            u"), based on "_s + assessed_count + u" assessed calls. The report contains "_s +
            failed_count + u" failed calls and "_s + disturbance_count +
            u" disturbances; the longest consecutive disturbance lasted "_s + longest + u"."_s,
        u"Scope: Tessary measures network and server-response phases, not browser rendering "
        u"metrics such as FCP, LCP, TBT, CLS, or Speed Index. These qualifications are therefore "
        u"diagnostic guidance, not a complete Lighthouse performance score. Reference: "_s +
            reference,
    };
}

void draw_interpretation(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                         const ReportMeasurements& measurements)
{
    const QStringList paragraphs = interpretation_paragraphs(domain, measurements);
    writer.draw_section_title(L10n::text(u"Interpretation", u"Toelichting"),
                              writer.text_block_height(paragraphs.first(), 9.0, QFont::Normal) +
                                  2.0);
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i < 4)
            writer.draw_paragraph(paragraphs[i], 9.0, QFont::Normal, ReportColor::label);
        else
            writer.draw_paragraph(paragraphs[i], 8.0, QFont::Normal, ReportColor::secondary_label);
    }
}

} // namespace ReportContent
