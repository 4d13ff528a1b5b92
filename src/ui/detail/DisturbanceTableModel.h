#pragma once

#include "model/MonitoredDomain.h"

#include <QAbstractTableModel>
#include <QColor>

// The disturbance periods of a domain, newest first: date, time, duration, type,
// URL and what went wrong.
class DisturbanceTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { date, time, duration, type, url, details };
    static constexpr int column_count = details + 1;

    explicit DisturbanceTableModel(QObject* parent = nullptr);

    void set_domain(const MonitoredDomain& domain);
    const DomainDisturbancePeriod& period(int row) const;

    // "Unknown" without a duration, "< 1 min" under a minute, else "2.5 min"
    // with the language's decimal separator.
    static QString duration_text(std::optional<double> seconds);
    // "Total time 4.20 s" for a slow period, "HTTP 500  <error>" for a failed one.
    static QString details_text(const DomainDisturbancePeriod& period);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        DomainDisturbancePeriod period;
        QString cells[column_count];
        QString url_tooltip;
        QString details_tooltip;
        QColor type_color;
        QColor details_color;
    };
    QList<Row> rows_;
};
