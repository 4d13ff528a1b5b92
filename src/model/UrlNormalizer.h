#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

// How a typed domain or URL becomes the URL that is monitored: trimmed, https
// in front when no http(s) scheme was typed, always the https scheme, and
// without a leading "www." on the host.
namespace UrlNormalizer {

// None when nothing usable is left: empty input, no host, or unparseable text.
std::optional<QUrl> normalize_url(QStringView input);

// The URL as stored in `url_string` and measurements: fully percent-encoded.
QString absolute_string(const QUrl& url);

// The text by which two inputs count as the same domain: the lower-cased
// absolute string of the normalised URL, or the lower-cased input itself when
// it does not normalise.
QString url_key(const QString& input);

} // namespace UrlNormalizer
