#pragma once

#include "hosting/DomainProviderGroup.h"
#include "hosting/HostingProviderProfile.h"
#include "model/MonitoredDomain.h"

#include <QList>
#include <QMap>
#include <QString>

// The network neighbourhood of a profile's address: its /16 for IPv4, its /48
// for IPv6, else the network range or the range key.
QString proximity_key(const HostingProviderProfile& profile);

// The sidebar's sections for `active_domains` (which are in store order, an order
// every section keeps): the pinned domains; one section per provider that has at
// least two domains in one neighbourhood, ordered by title; then every other
// domain. Domains without a profile, or whose provider name shows as nothing,
// always go to the last section. Sections that would be empty are left out.
QList<DomainProviderGroup> provider_groups(const QList<MonitoredDomain>& active_domains,
                                           const QMap<QString, HostingProviderProfile>& profiles);
