#include "ui/detail/MeasurementHistorySection.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/HistorySummary.h"
#include "ui/detail/HistoryFilterButton.h"
#include "ui/detail/HistoryUrlPicker.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/MeasurementTableView.h"
#include "ui/detail/TotalTimeChart.h"
#include "ui/detail/TotalTimeChartData.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QLabel* headline(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.05);
    label->setFont(font);
    return label;
}

QLabel* caption(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, AppColors::secondary());
    label->setPalette(palette);
    return label;
}

} // namespace

MeasurementHistorySection::MeasurementHistorySection(QWidget* parent)
    : QWidget(parent), filter_(new HistoryFilterButton(this)),
      url_picker_(new HistoryUrlPicker(this)), last_(caption(this)),
      full_table_(new QPushButton(L10n::text(u"Show Full Table", u"Volledige tabel tonen"), this)),
      table_(new MeasurementTableView(this)), chart_count_(caption(this)),
      chart_stack_(new QStackedWidget(this)),
      chart_empty_(new QLabel(
          L10n::text(u"No measurements available.", u"Geen metingen beschikbaar."), this)),
      chart_(new TotalTimeChart(this))
{
    setObjectName(QStringLiteral("history_section"));
    last_->setObjectName(QStringLiteral("last_measurement_label"));
    full_table_->setObjectName(QStringLiteral("show_full_table_button"));
    full_table_->setFlat(true);
    full_table_->setCursor(Qt::PointingHandCursor);
    full_table_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; }")
                                   .arg(AppColors::primary().name()));
    table_->setObjectName(QStringLiteral("compact_table"));
    table_->setAccessibleName(L10n::text(u"Measurement History", u"Meetgeschiedenis"));
    table_->setMinimumHeight(300);
    chart_count_->setObjectName(QStringLiteral("chart_count_label"));
    chart_empty_->setObjectName(QStringLiteral("chart_empty_label"));
    chart_empty_->setAlignment(Qt::AlignCenter);
    QPalette secondary = chart_empty_->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    chart_empty_->setPalette(secondary);
    chart_empty_->setFixedHeight(180);
    chart_stack_->addWidget(chart_empty_);
    chart_stack_->addWidget(chart_);
    chart_stack_->setObjectName(QStringLiteral("chart_stack"));

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(headline(L10n::text(u"Measurement History", u"Meetgeschiedenis"), this));
    header->addWidget(filter_);
    header->addWidget(url_picker_);
    header->addStretch(1);
    header->addWidget(last_);
    header->addWidget(full_table_);

    auto* chart_header = new QHBoxLayout;
    chart_header->addWidget(
        headline(L10n::text(u"Total Time History", u"Geschiedenis totale tijd"), this));
    chart_header->addStretch(1);
    chart_header->addWidget(chart_count_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addLayout(header);
    column->addWidget(table_);
    column->addSpacing(8);
    column->addLayout(chart_header);
    column->addWidget(chart_stack_);

    connect(filter_, &HistoryFilterButton::filter_chosen, this,
            &MeasurementHistorySection::filter_chosen);
    connect(url_picker_, &HistoryUrlPicker::url_chosen, this,
            &MeasurementHistorySection::url_chosen);
    connect(full_table_, &QPushButton::clicked, this,
            &MeasurementHistorySection::show_full_table_requested);
}

void MeasurementHistorySection::show_history(const MonitoredDomain& domain,
                                             const QList<DomainMeasurement>& window,
                                             MeasurementHistoryFilter filter, const QString& url,
                                             const QStringList& urls)
{
    filter_->set_filter(filter);
    url_picker_->set_urls(urls);
    url_picker_->set_selected_url(url);
    if (domain.measurements.isEmpty()) {
        last_->setVisible(false);
    } else {
        last_->setText(
            L10n::text(u"Last", u"Laatste") + QStringLiteral(": ") +
            MeasurementFormatter::date_time().string(domain.measurements.first().measured_at));
        last_->setVisible(true);
    }
    full_table_->setVisible(domain.measurements.size() > compact_row_limit);

    QList<DomainMeasurement> rows = filtered_measurements(domain, window, filter, url);
    if (rows.size() > compact_row_limit)
        rows.resize(compact_row_limit);
    table_->measurement_model().set_measurements(domain, std::move(rows));

    chart_count_->setText(QString::number(window.size()) +
                          L10n::text(u" measurements", u" metingen"));
    if (window.isEmpty()) {
        chart_stack_->setCurrentWidget(chart_empty_);
        chart_stack_->setFixedHeight(180);
    } else {
        chart_->set_data(TotalTimeChartData::chart_points(domain, window),
                         TotalTimeChartData::threshold_lines(domain.statistics.average_total_time));
        // What the chart shows, in words, for a screen reader.
        const QString summary = HistorySummary::text(domain, window);
        if (chart_->accessibleDescription() != summary)
            chart_->setAccessibleDescription(summary);
        chart_stack_->setCurrentWidget(chart_);
        chart_stack_->setFixedHeight(220);
    }
}
