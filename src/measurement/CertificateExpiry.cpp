#include "measurement/CertificateExpiry.h"

#include <ctime>
#include <openssl/asn1.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace CertificateExpiry {

QDateTime of_connection(CURL* easy)
{
    curl_tlssessioninfo* session = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_TLS_SSL_PTR, &session) != CURLE_OK || session == nullptr ||
        session->backend != CURLSSLBACKEND_OPENSSL || session->internals == nullptr)
        return QDateTime();
    const X509* leaf = SSL_get0_peer_certificate(static_cast<const SSL*>(session->internals));
    if (leaf == nullptr)
        return QDateTime();
    const ASN1_TIME* not_after = X509_get0_notAfter(leaf);
    std::tm parts{};
    if (not_after == nullptr || ASN1_TIME_to_tm(not_after, &parts) != 1)
        return QDateTime();
    const QDate date(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    const QTime time(parts.tm_hour, parts.tm_min, parts.tm_sec);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

} // namespace CertificateExpiry
