#pragma once

#include "model/MonitoredDomain.h"

#include <QList>
#include <QString>

// One section of the sidebar: the pinned domains, one hosting provider's
// domains, or the rest.
struct DomainProviderGroup {
    // "pinned", "other-providers", or the provider's title: unlike `title` it does
    // not follow the language, so a model follows a group by it.
    QString id;
    QString title;
    // In store order.
    QList<MonitoredDomain> domains;

    bool operator==(const DomainProviderGroup&) const = default;
};
