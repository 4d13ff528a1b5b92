#include "ui/detail/MeasurementTableModel.h"

#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/detail/EditableUrl.h"
#include "ui/detail/MeasurementHistoryColumns.h"
#include "ui/detail/MeasurementResponseBadges.h"

#include <QPalette>
#include <QStringList>

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
    std::optional<int> top;
    if (domain.id == domain_id_ && !source_ && !indices && !indices_)
        top = rows_on_top(measurements_, measurements);
    const int count =
        static_cast<int>(indices ? static_cast<qsizetype>(indices->size()) : measurements.size());
    update(domain, top, count, [&] {
        measurements_ = std::move(measurements);
        source_ = nullptr;
        indices_ = std::move(indices);
    });
}

void MeasurementTableModel::set_source(const MonitoredDomain& domain, Source source,
                                       std::optional<std::vector<qsizetype>> indices)
{
    const QList<DomainMeasurement>* list = source ? source() : nullptr;
    const qsizetype size = list != nullptr ? list->size() : 0;
    std::optional<int> top;
    if (domain.id == domain_id_ && source_ && list != nullptr)
        top = source_rows_on_top(*list, indices);
    const int count = static_cast<int>(indices ? static_cast<qsizetype>(indices->size()) : size);
    update(domain, top, count, [&] {
        measurements_.clear();
        source_ = std::move(source);
        indices_ = std::move(indices);
    });
    source_size_ = size;
    source_head_ = size > 0 ? list->first().id : QUuid();
}

std::optional<int> MeasurementTableModel::rows_on_top(const QList<DomainMeasurement>& old_rows,
                                                      const QList<DomainMeasurement>& rows)
{
    if (old_rows.isEmpty())
        return static_cast<int>(rows.size());
    for (qsizetype top = 0; top < rows.size(); ++top) {
        if (rows[top].id != old_rows.first().id)
            continue;
        const qsizetype overlap = std::min(old_rows.size(), rows.size() - top);
        for (qsizetype i = 1; i < overlap; ++i) {
            if (rows[top + i].id != old_rows[i].id)
                return std::nullopt;
        }
        return static_cast<int>(top);
    }
    return std::nullopt;
}

std::optional<int> MeasurementTableModel::source_rows_on_top(
    const QList<DomainMeasurement>& list,
    const std::optional<std::vector<qsizetype>>& indices) const
{
    // The owner's list only grows at its head: `added` new entries, the old
    // ones behind them.
    const qsizetype added = list.size() - source_size_;
    if (added < 0 || indices.has_value() != indices_.has_value() ||
        (source_size_ > 0 && list[added].id != source_head_))
        return std::nullopt;
    if (!indices)
        return static_cast<int>(added);
    // Filtered: the old rows, moved down the list, and new ones above them.
    const auto top =
        static_cast<qsizetype>(indices->size()) - static_cast<qsizetype>(indices_->size());
    if (top < 0)
        return std::nullopt;
    for (std::size_t i = 0; i < indices_->size(); ++i) {
        if ((*indices)[static_cast<std::size_t>(top) + i] != (*indices_)[i] + added)
            return std::nullopt;
    }
    return static_cast<int>(top);
}

void MeasurementTableModel::update(const MonitoredDomain& domain, std::optional<int> top, int count,
                                   const std::function<void()>& assign)
{
    domain_id_ = domain.id;
    judge_.statistics = domain.statistics;
    // Made once per update: the language is read when the rows change, not per cell.
    date_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::date());
    time_formatter_ = std::make_unique<DateFormatter>(MeasurementFormatter::time());
    if (!top) {
        beginResetModel();
        assign();
        row_count_ = count;
        cache_.clear();
        endResetModel();
        return;
    }
    // New rows go in above the old ones, and the bottom follows: the views
    // keep their selection and what they show.
    if (*top > 0)
        beginInsertRows(QModelIndex(), 0, *top - 1);
    assign();
    cache_.clear();
    if (*top > 0) {
        row_count_ += *top;
        endInsertRows();
    }
    if (count < row_count_) {
        beginRemoveRows(QModelIndex(), count, row_count_ - 1);
        row_count_ = count;
        endRemoveRows();
    } else if (count > row_count_) {
        beginInsertRows(QModelIndex(), row_count_, count - 1);
        row_count_ = count;
        endInsertRows();
    }
    // The statistics may judge the old rows anew.
    if (row_count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(row_count_ - 1, Columns::count - 1));
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
    // While rows are being moved, and until the owner updates the model after a
    // change of the list (a domain just removed), a row past the end is empty.
    if (indices_ && static_cast<std::size_t>(row) >= indices_->size())
        return missing;
    const qsizetype at = indices_ ? (*indices_)[static_cast<std::size_t>(row)] : row;
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
    case Qt::AccessibleTextRole:
        if (column == Columns::response_details)
            return response_text(measurement(index.row()));
        return {};
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

QString MeasurementTableModel::response_text(const DomainMeasurement& measurement)
{
    QStringList texts;
    for (const MeasurementResponseBadgeItem& item : response_badge_items(measurement))
        texts.append(item.text);
    return texts.isEmpty() ? QStringLiteral("-") : texts.join(QStringLiteral(", "));
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
