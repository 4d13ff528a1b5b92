#include "ui/detail/CountdownRow.h"

#include "store/TessaryStore.h"
#include "ui/AppColors.h"
#include "ui/detail/DomainStatus.h"
#include "ui/detail/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>

CountdownRow::CountdownRow(TessaryStore& store, QUuid domain_id, Clock& clock, QWidget* parent)
    : QWidget(parent), store_(store), domain_id_(domain_id), clock_(clock), label_(new QLabel(this))
{
    setObjectName(QStringLiteral("measurement_countdown"));
    label_->setObjectName(QStringLiteral("countdown_label"));
    QFont caption = label_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    label_->setFont(caption);
    QPalette secondary = label_->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    label_->setPalette(secondary);
    // A fixed-width slot: the text changing every second never moves its neighbours.
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label_->setMinimumWidth(
        QFontMetrics(caption).horizontalAdvance(QStringLiteral("Nieuwe meting over 86400s")) + 8);

    auto* icon = new QLabel(this);
    const int size = QFontMetrics(caption).height();
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("clock"), AppColors::secondary(), size,
                                        devicePixelRatioF()));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(icon);
    row->addWidget(label_);
    row->addStretch(1);

    refresh();
    schedule_tick();
}

CountdownRow::~CountdownRow() = default;

QString CountdownRow::text() const
{
    return label_->text();
}

void CountdownRow::refresh()
{
    const MonitoredDomain* domain = store_.domain_with_id(domain_id_);
    const bool is_active = domain != nullptr && domain->is_active;
    const QString text = countdown_text(store_.running_domain_ids().contains(domain_id_), is_active,
                                        store_.next_measurement_date(domain_id_), clock_.now());
    if (text != label_->text())
        label_->setText(text);
}

void CountdownRow::schedule_tick()
{
    tick_ = clock_.call_after(1000, [this] {
        refresh();
        schedule_tick();
    });
}
