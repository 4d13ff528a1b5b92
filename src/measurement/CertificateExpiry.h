#pragma once

#include <QDateTime>

#include <curl/curl.h>

// When the leaf certificate of a transfer's TLS connection expires.
namespace CertificateExpiry {

// The notAfter instant (UTC) of the certificate the server presented on the
// connection `easy` is using right now; invalid for plain HTTP, for a TLS
// backend other than OpenSSL, or when there is no certificate. Only valid
// while the connection is alive: call it from a callback of the transfer,
// once the handshake is done.
QDateTime of_connection(CURL* easy);

} // namespace CertificateExpiry
