#pragma once

#include "i18n/DateFormatter.h"
#include "model/MonitoredDomain.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The rows of a measurement table: a list of measurements (newest first) or a
// selection of indices into one. The list is shared, never copied, and cell
// texts are made only for the rows the view asks for, so a million-row history
// costs no more to show than a hundred.
class MeasurementTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit MeasurementTableModel(QObject* parent = nullptr);
    ~MeasurementTableModel() override;

    // `domain` judges the levels (its statistics); `indices`, when given, picks
    // the rows of `measurements` to show, in order. When the new rows are the
    // domain's old ones with new rows on top (a new measurement), the model
    // inserts and removes rows rather than resetting, so the views keep their
    // selection and scroll position; otherwise it resets.
    void set_measurements(const MonitoredDomain& domain, QList<DomainMeasurement> measurements,
                          std::optional<std::vector<qsizetype>> indices = std::nullopt);

    // Rows read from a list that someone else owns (the store's history), found
    // afresh through `source` on every access, so the model never shares the list
    // and a measurement added to it costs no copy of the history. The owner calls
    // this again whenever the list changes (new rows on top are inserted, as
    // above); a source that finds no list shows none.
    using Source = std::function<const QList<DomainMeasurement>*()>;
    void set_source(const MonitoredDomain& domain, Source source,
                    std::optional<std::vector<qsizetype>> indices = std::nullopt);

    const DomainMeasurement& measurement(int row) const;

    // What the response column reads to a screen reader: "HTTP 200, x-cache: HIT".
    static QString response_text(const DomainMeasurement& measurement);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct RowTexts {
        QString cells[10];
        QColor total_color;
        QColor network_color;
    };
    const RowTexts& row_texts(int row) const;

    // How many of `rows` are new on top of `old_rows`, the rest continuing them;
    // none when they do not continue them.
    static std::optional<int> rows_on_top(const QList<DomainMeasurement>& old_rows,
                                          const QList<DomainMeasurement>& rows);
    std::optional<int>
    source_rows_on_top(const QList<DomainMeasurement>& list,
                       const std::optional<std::vector<qsizetype>>& indices) const;
    // Applies new rows through `assign`: `top` new ones inserted, or a reset.
    void update(const MonitoredDomain& domain, std::optional<int> top, int count,
                const std::function<void()>& assign);

    const QList<DomainMeasurement>& rows() const;

    QList<DomainMeasurement> measurements_;
    Source source_;
    // The source's list as last seen: its size and first entry.
    qsizetype source_size_ = 0;
    QUuid source_head_;
    QUuid domain_id_;
    int row_count_ = 0;
    std::optional<std::vector<qsizetype>> indices_;
    // The domain's statistics without its history: what judges each row's level.
    MonitoredDomain judge_;
    std::unique_ptr<DateFormatter> date_formatter_;
    std::unique_ptr<DateFormatter> time_formatter_;
    mutable QHash<int, RowTexts> cache_;
};
