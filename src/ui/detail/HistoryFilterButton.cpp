#include "ui/detail/HistoryFilterButton.h"

#include "ui/AppColors.h"
#include "ui/detail/SymbolIcons.h"

#include <QMenu>

HistoryFilterButton::HistoryFilterButton(QWidget* parent)
    : QToolButton(parent), menu_(new QMenu(this))
{
    setObjectName(QStringLiteral("history_filter_button"));
    menu_->setObjectName(QStringLiteral("history_filter_menu"));
    setMenu(menu_);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIcon(SymbolIcons::icon(QStringLiteral("line.3.horizontal.decrease.circle"),
                              AppColors::primary()));
    for (MeasurementHistoryFilter filter : all_history_filters()) {
        QAction* action = menu_->addAction(history_filter_title(filter));
        action->setObjectName(QStringLiteral("filter_") + history_filter_key(filter));
        action->setData(static_cast<int>(filter));
        connect(action, &QAction::triggered, this, [this, filter] {
            if (filter == filter_)
                return;
            set_filter(filter);
            Q_EMIT filter_chosen(filter);
        });
    }
    refresh();
}

QString HistoryFilterButton::label(MeasurementHistoryFilter filter)
{
    return filter == MeasurementHistoryFilter::all ? QStringLiteral("Filter")
                                                   : history_filter_title(filter);
}

void HistoryFilterButton::set_filter(MeasurementHistoryFilter filter)
{
    filter_ = filter;
    refresh();
}

void HistoryFilterButton::refresh()
{
    setText(label(filter_));
    const QIcon check = SymbolIcons::icon(QStringLiteral("checkmark"), palette().text().color());
    for (QAction* action : menu_->actions()) {
        const bool chosen = action->data().toInt() == static_cast<int>(filter_);
        action->setIcon(chosen ? check : QIcon());
    }
}
