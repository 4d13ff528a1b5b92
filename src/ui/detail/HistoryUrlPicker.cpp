#include "ui/detail/HistoryUrlPicker.h"

#include "i18n/L10n.h"

#include <QAbstractItemView>

HistoryUrlPicker::HistoryUrlPicker(QWidget* parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("history_url_picker"));
    setMaximumWidth(240);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    setAccessibleName(QStringLiteral("URL"));
    // Full URLs, so http and https or www and bare hosts can be told apart; a
    // long one loses its middle.
    view()->setTextElideMode(Qt::ElideMiddle);
    addItem(L10n::text(u"All URLs", u"Alle URL's"), QString());
    setVisible(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
        if (!updating_)
            Q_EMIT url_chosen(selected_url());
    });
}

void HistoryUrlPicker::set_urls(const QStringList& urls)
{
    if (urls == urls_)
        return;
    const QString selected = selected_url();
    updating_ = true;
    urls_ = urls;
    while (count() > 1)
        removeItem(1);
    for (const QString& url : urls) {
        addItem(url, url);
        setItemData(count() - 1, url, Qt::ToolTipRole);
    }
    const int index = findData(selected);
    setCurrentIndex(index >= 0 ? index : 0);
    updating_ = false;
    setVisible(urls.size() >= 2);
}

void HistoryUrlPicker::set_selected_url(const QString& url)
{
    updating_ = true;
    const int index = findData(url);
    setCurrentIndex(index >= 0 ? index : 0);
    updating_ = false;
}

QString HistoryUrlPicker::selected_url() const
{
    return currentData().toString();
}

void HistoryUrlPicker::showPopup()
{
    // The list may be wider than the box: its entries are whole URLs.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
    QComboBox::showPopup();
}
