#pragma once

#include "hosting/RDAPResult.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <rapidjson/document.h>

#include <optional>

// Reading an RDAP IP-network answer (RFC 9083). Registries differ in what they
// fill in, and the answer may be anything at all, so every field is checked.
namespace RDAPResponse {

// None unless the body is a JSON object that yields a provider name.
std::optional<RDAPResult> read(QByteArrayView body);

// The first of, each cleaned and passed over when nothing is left of it: the
// name of the first top-level entity that is more than a contact (see
// is_contact_only), the network's "name", its "handle".
std::optional<QString> provider_name(const rapidjson::Value& network);

// The first "fn" or "org" text of the entity's jCard, cleaned.
std::optional<QString> entity_name(const rapidjson::Value& entity);

// An entity whose every role is abuse, technical, administrative, noc or
// billing: a desk or a person, not the holder of the block.
bool is_contact_only(const rapidjson::Value& entity);

// "startAddress-endAddress" in canonical form; none unless both are addresses
// of one family in ascending order. Old answers zero-pad IPv4 parts
// ("074.125.000.000", decimal) or add a prefix length ("2a00:2381:ffff::/128").
std::optional<QString> network_range(const rapidjson::Value& network);

} // namespace RDAPResponse
