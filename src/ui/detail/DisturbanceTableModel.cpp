#include "ui/detail/DisturbanceTableModel.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/detail/EditableUrl.h"

DisturbanceTableModel::DisturbanceTableModel(QObject* parent) : QAbstractTableModel(parent) {}

QString DisturbanceTableModel::duration_text(std::optional<double> seconds)
{
    if (!seconds)
        return L10n::text(u"Unknown", u"Onbekend");
    if (*seconds < 60.0)
        return QStringLiteral("< 1 min");
    return MeasurementFormatter::number("%.1f min", *seconds / 60.0);
}

QString DisturbanceTableModel::details_text(const DomainDisturbancePeriod& period)
{
    const DomainMeasurement& m = period.measurement;
    if (!period.contains_failure)
        return L10n::text(u"Total time ", u"Totale tijd ") +
               MeasurementFormatter::duration(m.total_time);
    QStringList parts;
    if (m.http_status)
        parts.append(QStringLiteral("HTTP ") + QString::number(*m.http_status));
    if (m.error_message)
        parts.append(*m.error_message);
    return parts.join(QStringLiteral("   "));
}

void DisturbanceTableModel::set_domain(const MonitoredDomain& domain)
{
    beginResetModel();
    rows_.clear();
    const auto date_format = MeasurementFormatter::date();
    const auto time_format = MeasurementFormatter::time();
    const QList<DomainDisturbancePeriod>& periods = domain.statistics.disturbance_periods;
    rows_.reserve(periods.size());
    for (auto it = periods.crbegin(); it != periods.crend(); ++it) {
        Row row;
        row.period = *it;
        const DomainMeasurement& m = it->measurement;
        const DomainMeasurementLevel level = domain.measurement_level(m);
        const QString url = m.url_string.value_or(domain.url_string);
        row.cells[date] = date_format.string(it->started_at);
        row.cells[time] = time_format.string(it->started_at);
        row.cells[duration] = duration_text(it->duration);
        row.cells[type] = domain_measurement_level_title(level);
        row.cells[Column::url] = editable_url(url);
        row.cells[details] = details_text(*it);
        row.url_tooltip = url;
        row.type_color = AppColors::for_level(level);
        if (it->contains_failure) {
            row.details_color = AppColors::red();
            row.details_tooltip = m.error_message.value_or(QString());
        } else {
            row.details_color = AppColors::for_level(level);
        }
        rows_.append(std::move(row));
    }
    endResetModel();
}

const DomainDisturbancePeriod& DisturbanceTableModel::period(int row) const
{
    return rows_[row].period;
}

int DisturbanceTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DisturbanceTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : column_count;
}

QVariant DisturbanceTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.cells[index.column()];
    case Qt::ToolTipRole:
        if (index.column() == Column::url)
            return row.url_tooltip;
        if (index.column() == details && !row.details_tooltip.isEmpty())
            return row.details_tooltip;
        return {};
    case Qt::ForegroundRole: {
        const QColor color = index.column() == type      ? row.type_color
                             : index.column() == details ? row.details_color
                                                         : QColor();
        return color.isValid() ? QVariant(color) : QVariant();
    }
    default:
        return {};
    }
}

QVariant DisturbanceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case date:
        return L10n::text(u"Date", u"Datum");
    case time:
        return L10n::text(u"Time", u"Tijd");
    case duration:
        return L10n::text(u"Duration", u"Duur");
    case type:
        return QStringLiteral("Type");
    case url:
        return QStringLiteral("URL");
    case details:
        return L10n::text(u"HTTP / Error", u"HTTP / Fout");
    }
    return {};
}
