#include "ui/detail/MeasurementTableModel.h"

#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/detail/EditableUrl.h"
#include "ui/detail/MeasurementHistoryColumns.h"

#include <QPalette>

using Columns = MeasurementHistoryColumns;

namespace {

// Rows kept formatted; a screenful is a few dozen, and scrolling far replaces them.
constexpr qsizetype cache_limit = 2000;

} // namespace

MeasurementTableModel::MeasurementTableModel(QObject* parent) : QAbstractTableModel(parent) {}

MeasurementTableModel::~MeasurementTableModel() = default;

void MeasurementTableModel::set_measurements(const MonitoredDomain& domain,
                                             QList<DomainMeasurement> measurements,
                                             std::optional<std::vector<qsizetype>> indices)
{
    beginResetModel();
    measurements_ = std::move(measurements);
    source_ = nullptr;
    indices_ = std::move(indices);
    row_count_ = static_cast<int>(indices_ ? static_cast<qsizetype>(indices_->size())
                                           : measurements_.size());
    judge_.statistics = domain.statistics;
    // Made once per reset: the language is read when the rows change, not per cell.
    date_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::date());
    time_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::time());
    cache_.clear();
    endResetModel();
}

void MeasurementTableModel::set_source(const MonitoredDomain& domain, Source source,
                                       std::optional<std::vector<qsizetype>> indices)
{
    beginResetModel();
    measurements_.clear();
    source_ = std::move(source);
    indices_ = std::move(indices);
    const QList<DomainMeasurement>* list = source_ ? source_() : nullptr;
    row_count_ = static_cast<int>(indices_ ? static_cast<qsizetype>(indices_->size())
                                  : list   ? list->size()
                                           : 0);
    judge_.statistics = domain.statistics;
    date_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::date());
    time_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::time());
    cache_.clear();
    endResetModel();
}

const QList<DomainMeasurement>& MeasurementTableModel::rows() const
{
    static const QList<DomainMeasurement> none;
    if (!source_)
        return measurements_;
    const QList<DomainMeasurement>* list = source_();
    return list != nullptr ? *list : none;
}

const DomainMeasurement& MeasurementTableModel::measurement(int row) const
{
    static const DomainMeasurement missing;
    const QList<DomainMeasurement>& list = rows();
    const qsizetype at = indices_ ? (*indices_)[static_cast<std::size_t>(row)] : row;
    // The owner resets the model when the list changes; until then a shorter
    // list (a domain just removed) shows empty rows rather than reading past it.
    return at < list.size() ? list[at] : missing;
}

int MeasurementTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : row_count_;
}

int MeasurementTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns::count;
}

const MeasurementTableModel::RowTexts& MeasurementTableModel::row_texts(int row) const
{
    const auto found = cache_.constFind(row);
    if (found != cache_.constEnd())
        return *found;
    if (cache_.size() >= cache_limit)
        cache_.clear();
    const DomainMeasurement& m = measurement(row);
    RowTexts texts;
    texts.cells[Columns::date] = date_formatter_->string(m.measured_at);
    texts.cells[Columns::time] = time_formatter_->string(m.measured_at);
    texts.cells[Columns::url] = editable_url(m.url_string.value_or(QStringLiteral("-")));
    texts.cells[Columns::dns] = MeasurementFormatter::duration(m.dns_time);
    texts.cells[Columns::connect] = MeasurementFormatter::duration(m.connect_time);
    texts.cells[Columns::ssl] = MeasurementFormatter::duration(m.ssl_time);
    texts.cells[Columns::ttfb] = MeasurementFormatter::duration(m.ttfb_time);
    texts.cells[Columns::total] = MeasurementFormatter::duration(m.total_time);
    texts.cells[Columns::network] = MeasurementFormatter::duration(m.network_baseline_time);
    if (m.is_local_network_issue) {
        texts.total_color = AppColors::orange();
        texts.network_color = AppColors::orange();
    } else {
        texts.total_color = AppColors::for_level(judge_.measurement_level(m));
    }
    return *cache_.insert(row, std::move(texts));
}

QVariant MeasurementTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == Columns::response_details)
            return {};
        return row_texts(index.row()).cells[column];
    case Qt::ToolTipRole:
        if (column == Columns::url)
            return measurement(index.row()).url_string.value_or(QString());
        return {};
    case Qt::ForegroundRole: {
        const RowTexts& texts = row_texts(index.row());
        const QColor color = column == Columns::total     ? texts.total_color
                             : column == Columns::network ? texts.network_color
                                                          : QColor();
        return color.isValid() ? QVariant(color) : QVariant();
    }
    case Qt::TextAlignmentRole:
        if (column >= Columns::dns && column <= Columns::network)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MeasurementTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return Columns::title(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
