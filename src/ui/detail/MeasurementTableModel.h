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
    // the rows of `measurements` to show, in order.
    void set_measurements(const MonitoredDomain& domain, QList<DomainMeasurement> measurements,
                          std::optional<std::vector<qsizetype>> indices = std::nullopt);

    // Rows read from a list that someone else owns (the store's history), found
    // afresh through `source` on every access, so the model never shares the list
    // and a measurement added to it costs no copy of the history. The owner resets
    // the model whenever the list changes; a source that finds no list shows none.
    using Source = std::function<const QList<DomainMeasurement>*()>;
    void set_source(const MonitoredDomain& domain, Source source,
                    std::optional<std::vector<qsizetype>> indices = std::nullopt);

    const DomainMeasurement& measurement(int row) const;

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

    const QList<DomainMeasurement>& rows() const;

    QList<DomainMeasurement> measurements_;
    Source source_;
    int row_count_ = 0;
    std::optional<std::vector<qsizetype>> indices_;
    // The domain's statistics without its history: what judges each row's level.
    MonitoredDomain judge_;
    std::unique_ptr<DateFormatter> date_formatter_;
    std::unique_ptr<DateFormatter> time_formatter_;
    mutable QHash<int, RowTexts> cache_;
};
