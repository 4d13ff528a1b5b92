#pragma once

#include "model/Expected.h"
#include "store/DomainRestoreSuggestion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The file form of the deleted-domain suggestions: an array of objects with all
// eight fields, every one required.
namespace SuggestionJson {

QByteArray encode_list(const QList<DomainRestoreSuggestion>& suggestions);
DecodeResult<QList<DomainRestoreSuggestion>> decode_list(QByteArrayView text);

} // namespace SuggestionJson
