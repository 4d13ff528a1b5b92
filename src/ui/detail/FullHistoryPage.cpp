#include "ui/detail/FullHistoryPage.h"

#include "i18n/L10n.h"
#include "model/DomainHost.h"
#include "ui/AppColors.h"
#include "ui/Divider.h"
#include "ui/detail/HistoryFilterButton.h"
#include "ui/detail/HistoryUrlPicker.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/MeasurementTableView.h"
#include "ui/detail/SubPageHeader.h"

#include <QLabel>
#include <QVBoxLayout>

FullHistoryPage::FullHistoryPage(QWidget* parent)
    : QWidget(parent), filter_(new HistoryFilterButton(this)),
      url_picker_(new HistoryUrlPicker(this)), table_(new MeasurementTableView(this))
{
    setObjectName(QStringLiteral("full_history_page"));
    table_->setObjectName(QStringLiteral("full_table"));
    table_->setAccessibleName(L10n::text(u"Full History", u"Volledige geschiedenis"));
    SubPageHeader header(this, QStringLiteral("full_history"));
    title_ = header.title;
    count_ = header.count;
    header.row->insertWidget(2, filter_);
    header.row->insertWidget(3, url_picker_);
    connect(header.back, &QPushButton::clicked, this, &FullHistoryPage::back_requested);
    connect(filter_, &HistoryFilterButton::filter_chosen, this, &FullHistoryPage::filter_chosen);
    connect(url_picker_, &HistoryUrlPicker::url_chosen, this, &FullHistoryPage::url_chosen);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header.row);
    column->addWidget(make_divider(this));
    column->addWidget(table_, 1);
}

void FullHistoryPage::show_history(const MonitoredDomain& domain,
                                   MeasurementTableModel::Source source,
                                   MeasurementHistoryFilter filter, const QString& url,
                                   const QStringList& urls)
{
    title_->setText(domain_host(domain.url_string) +
                    L10n::text(u" - Full History", u" - Volledige geschiedenis"));
    filter_->set_filter(filter);
    url_picker_->set_urls(urls);
    url_picker_->set_selected_url(url);
    MeasurementTableModel& model = table_->measurement_model();
    if (filter == MeasurementHistoryFilter::all && url.isEmpty())
        model.set_source(domain, std::move(source));
    else
        model.set_source(domain, std::move(source),
                         filtered_indices(domain, domain.measurements, filter, url));
    count_->setText(QString::number(model.rowCount()) + L10n::text(u" measurements", u" metingen"));
}
