#pragma once

#include "metrics/DomainTally.h"
#include "model/MonitoredDomain.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

// The Prometheus text exposition (format 0.0.4) of the monitored domains: per
// domain that is not archived its last measurement, whether it is up, its
// average, its certificate expiry, counters over its history and a histogram of
// its total times. The labels name the domain by its URL as others may see it
// (redacted_url: no credentials, no query values); domains that this makes
// alike also carry their id.
//
// The counters and the histogram come from tallies kept between calls: a
// domain's history that only grew since the last call is taken in from its new
// measurements alone, one that was cleared, replaced or reloaded is counted
// again from scratch. The text depends only on `domains`.
class MetricsExposition {
public:
    // Brings the tallies up to date with `domains` without writing anything;
    // `render` does it too, so this only moves the work to a quiet moment.
    void sync(const QList<MonitoredDomain>& domains);
    QByteArray render(const QList<MonitoredDomain>& domains);

private:
    struct Entry {
        DomainTally tally;
        // The url_string the labels were made for.
        QString url_string;
        // `domain="...",url="..."` of the redacted URL, escaped.
        QByteArray redacted_labels;
        // The same, with `,id="..."` when another domain has the same ones.
        QByteArray labels;
        quint64 generation = 0;
    };

    // Brings the domain's entry up to date with its history and url_string;
    // true when its labels were made anew.
    bool sync_entry(const MonitoredDomain& domain);
    // Redaction can give two domains the same labels (URLs that differ only in
    // a password or a query value): their ids keep each a series of its own.
    void keep_series_apart();

    QHash<QUuid, Entry> entries_;
    quint64 generation_ = 0;
};
