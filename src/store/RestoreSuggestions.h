#pragma once

#include "model/MonitoredDomain.h"
#include "store/DomainRestoreSuggestion.h"

#include <QList>

// What the add-domain form offers to bring back: the archived domains (with
// `is_archived` set, made on the fly) and then the deleted ones, stably sorted
// by host so that an archived domain comes before a deleted one of the same host.
QList<DomainRestoreSuggestion> restore_suggestions(const QList<MonitoredDomain>& domains,
                                                   const QList<DomainRestoreSuggestion>& deleted);

DomainRestoreSuggestion suggestion_from(const MonitoredDomain& domain, bool is_archived);
