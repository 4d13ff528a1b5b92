#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// The columns of the measurement tables and the user's choice of their order
// and visibility. The choice is kept in the preferences under
// "measurement_history_columns" and shared by the compact and the full table of
// every domain: a change in one table reaches every table that is open.
class MeasurementHistoryColumns : public QObject {
    Q_OBJECT

public:
    enum Column { date, time, url, dns, connect, ssl, ttfb, total, network, response_details };
    static constexpr int count = response_details + 1;

    // "date", "time", "url", ... by column.
    static QString id(int column);
    static int column_for_id(const QString& id); // -1 when unknown
    static QString title(int column);
    static int ideal_width(int column);
    static int minimum_width(int column);

    // Widths that fit the `visible` columns (in display order) into `width`:
    // each its ideal width, except the URL column and the last one. The URL
    // gives way first, down to `url_floor` (its text elides), then the last
    // column down to `last_floor` (its badges end in "+N"); with room to spare
    // the last column stretches.
    static constexpr int url_floor = 100;
    static constexpr int last_floor = 120;
    static QList<int> fitted_widths(const QList<int>& visible, int width);

    struct Layout {
        // Every column once, in display order.
        QList<int> order;
        QSet<int> hidden;

        static Layout standard();
        // Stored as the ids in display order, hidden ones prefixed with "!"
        // ("date,time,!url,..."). Unknown or repeated ids are skipped, missing
        // columns come back visible in their standard place, and a layout that
        // would hide every column shows them all.
        QString encoded() const;
        static Layout decoded(const QString& text);

        bool operator==(const Layout&) const = default;
    };

    // The process-wide instance that tables listen to.
    static MeasurementHistoryColumns& shared();

    Layout layout() const;
    void set_layout(const Layout& layout);

Q_SIGNALS:
    void layout_changed();

private:
    MeasurementHistoryColumns() = default;
};
