#include "ui/detail/DisturbancesPage.h"

#include "i18n/L10n.h"
#include "model/DomainHost.h"
#include "ui/AppColors.h"
#include "ui/Divider.h"
#include "ui/detail/DisturbanceTableModel.h"
#include "ui/detail/SubPageHeader.h"
#include "ui/detail/SymbolIcons.h"

#include <QHeaderView>
#include <QLabel>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QWidget* make_empty_state(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("disturbances_empty_state"));
    auto* icon = new QLabel(panel);
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("checkmark.circle"), AppColors::secondary(),
                                        42, panel->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = new QLabel(L10n::text(u"No disturbances", u"Geen verstoringen"), panel);
    title->setObjectName(QStringLiteral("disturbances_empty_title"));
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.35);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    auto* description = new QLabel(L10n::text(u"No disturbance periods were recorded.",
                                              u"Er zijn geen verstoringsperioden geregistreerd."),
                                   panel);
    description->setObjectName(QStringLiteral("disturbances_empty_description"));
    QPalette secondary = description->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    description->setPalette(secondary);
    description->setAlignment(Qt::AlignCenter);
    auto* column = new QVBoxLayout(panel);
    column->addStretch(1);
    column->addWidget(icon);
    column->addWidget(title);
    column->addWidget(description);
    column->addStretch(1);
    return panel;
}

} // namespace

DisturbancesPage::DisturbancesPage(QWidget* parent)
    : QWidget(parent), content_(new QStackedWidget(this)), empty_(make_empty_state(this)),
      table_(new QTableView(this)), model_(new DisturbanceTableModel(this))
{
    setObjectName(QStringLiteral("disturbances_page"));
    SubPageHeader header(this, QStringLiteral("disturbances"));
    title_ = header.title;
    count_ = header.count;
    connect(header.back, &QPushButton::clicked, this, &DisturbancesPage::back_requested);

    table_->setObjectName(QStringLiteral("disturbances_table"));
    table_->setAccessibleName(L10n::text(u"All Disturbances", u"Alle verstoringen"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(std::max(24, fontMetrics().height() + 10));
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int widths[DisturbanceTableModel::column_count] = {100, 90, 100, 110, 300, 300};
    for (int column = 0; column < DisturbanceTableModel::column_count; ++column)
        table_->setColumnWidth(column, widths[column]);
    content_->addWidget(empty_);
    content_->addWidget(table_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header.row);
    column->addWidget(make_divider(this));
    column->addWidget(content_, 1);
}

void DisturbancesPage::show_domain(const MonitoredDomain& domain)
{
    title_->setText(domain_host(domain.url_string) +
                    L10n::text(u" - All Disturbances", u" - Alle verstoringen"));
    const qsizetype periods = domain.statistics.disturbance_periods.size();
    count_->setText(QString::number(periods) + L10n::text(u" periods", u" perioden"));
    model_->set_domain(domain);
    content_->setCurrentWidget(periods == 0 ? empty_ : static_cast<QWidget*>(table_));
}
