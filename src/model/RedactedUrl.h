#pragma once

#include <QString>
#include <QStringView>

// A URL as others may see it (metrics labels, a log): without user name and
// password, every query value replaced by "…" with the names kept
// (`?token=…&page=…`), and without its fragment, which the server never sees
// and which may carry a token. The rest stays as written, IPv6 hosts in their
// brackets; a URL with nothing to hide comes back unchanged.
QString redacted_url(QStringView url);

// `text` with every URL in it (a scheme followed by "://", up to white space)
// redacted as above.
QString redacted_urls_in(QStringView text);
