#include "ui/detail/MeasurementHistoryColumns.h"

#include "i18n/L10n.h"
#include "i18n/Preferences.h"

#include <algorithm>

namespace {

QString preference_key()
{
    return QString::fromLatin1(Preferences::measurement_history_columns_key);
}

} // namespace

QString MeasurementHistoryColumns::id(int column)
{
    static const QStringList ids = {QStringLiteral("date"),    QStringLiteral("time"),
                                    QStringLiteral("url"),     QStringLiteral("dns"),
                                    QStringLiteral("connect"), QStringLiteral("ssl"),
                                    QStringLiteral("ttfb"),    QStringLiteral("total"),
                                    QStringLiteral("network"), QStringLiteral("response_details")};
    return ids.value(column);
}

int MeasurementHistoryColumns::column_for_id(const QString& id)
{
    for (int column = 0; column < count; ++column) {
        if (MeasurementHistoryColumns::id(column) == id)
            return column;
    }
    return -1;
}

QString MeasurementHistoryColumns::title(int column)
{
    switch (column) {
    case date:
        return L10n::text(u"Date", u"Datum");
    case time:
        return L10n::text(u"Time", u"Tijd");
    case url:
        return QStringLiteral("URL");
    case dns:
        return QStringLiteral("DNS");
    case connect:
        return L10n::text(u"Connect", u"Verbinding");
    case ssl:
        return QStringLiteral("SSL");
    case ttfb:
        return QStringLiteral("TTFB");
    case total:
        return L10n::text(u"Total", u"Totaal");
    case network:
        return L10n::text(u"Network", u"Netwerk");
    case response_details:
        return L10n::text(u"HTTP / X-Headers / Error", u"HTTP / X-Headers / Fout");
    }
    return {};
}

int MeasurementHistoryColumns::ideal_width(int column)
{
    static constexpr int widths[count] = {95, 90, 300, 70, 75, 70, 70, 75, 75, 300};
    return column >= 0 && column < count ? widths[column] : 80;
}

int MeasurementHistoryColumns::minimum_width(int column)
{
    static constexpr int widths[count] = {80, 75, 180, 70, 75, 70, 70, 75, 75, 180};
    return column >= 0 && column < count ? widths[column] : 40;
}

QList<int> MeasurementHistoryColumns::fitted_widths(const QList<int>& visible, int width)
{
    QList<int> widths;
    int fixed = 0;
    for (int column : visible) {
        widths.append(ideal_width(column));
        if (column != url && column != visible.last())
            fixed += ideal_width(column);
    }
    if (visible.isEmpty())
        return widths;
    const qsizetype url_at = visible.indexOf(url);
    if (url_at >= 0 && url_at != visible.size() - 1) {
        // The last column (the badges) has its ideal width before the URL grows.
        const int last =
            std::clamp(width - fixed - url_floor, last_floor, ideal_width(visible.last()));
        widths[url_at] = std::clamp(width - fixed - last, url_floor, ideal_width(url));
        fixed += widths[url_at];
    }
    widths.last() = std::max(width - fixed, last_floor);
    return widths;
}

MeasurementHistoryColumns::Layout MeasurementHistoryColumns::Layout::standard()
{
    Layout layout;
    for (int column = 0; column < count; ++column)
        layout.order.append(column);
    return layout;
}

QString MeasurementHistoryColumns::Layout::encoded() const
{
    QStringList parts;
    for (int column : order) {
        const QString name = id(column);
        parts.append(hidden.contains(column) ? u'!' + name : name);
    }
    return parts.join(u',');
}

MeasurementHistoryColumns::Layout MeasurementHistoryColumns::Layout::decoded(const QString& text)
{
    Layout layout;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const bool is_hidden = part.startsWith(u'!');
        const int column = column_for_id(is_hidden ? part.mid(1).trimmed() : part.trimmed());
        if (column < 0 || layout.order.contains(column))
            continue;
        layout.order.append(column);
        if (is_hidden)
            layout.hidden.insert(column);
    }
    // A column the stored text does not know goes back to its standard place:
    // after the nearest standard predecessor that is placed.
    for (int column = 0; column < count; ++column) {
        if (layout.order.contains(column))
            continue;
        qsizetype position = 0;
        for (int before = column - 1; before >= 0; --before) {
            const qsizetype at = layout.order.indexOf(before);
            if (at >= 0) {
                position = at + 1;
                break;
            }
        }
        layout.order.insert(position, column);
    }
    if (layout.hidden.size() >= count)
        layout.hidden.clear();
    return layout;
}

MeasurementHistoryColumns& MeasurementHistoryColumns::shared()
{
    static MeasurementHistoryColumns instance;
    return instance;
}

MeasurementHistoryColumns::Layout MeasurementHistoryColumns::layout() const
{
    const QVariant stored = Preferences::value(preference_key());
    if (!stored.isValid())
        return Layout::standard();
    return Layout::decoded(stored.toString());
}

void MeasurementHistoryColumns::set_layout(const Layout& layout)
{
    if (layout == this->layout())
        return;
    Preferences::set_value(preference_key(), layout.encoded());
    Q_EMIT layout_changed();
}
