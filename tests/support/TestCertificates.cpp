#include "TestCertificates.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

template <auto free_function>
struct Free {
    template <typename T>
    void operator()(T* p) const
    {
        free_function(p);
    }
};
using Key = std::unique_ptr<EVP_PKEY, Free<EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Free<X509_free>>;
using Bio = std::unique_ptr<BIO, Free<BIO_free>>;

Key new_key()
{
    return Key(EVP_EC_gen("P-256"));
}

bool add_extension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (extension == nullptr)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

void set_name(X509_NAME* name, const char* common_name)
{
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Tessary tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
}

// Valid from an hour ago (clock skew) until `not_after`.
Cert new_certificate(EVP_PKEY* key, long serial, const char* common_name, std::time_t not_after)
{
    Cert cert(X509_new());
    if (!cert)
        return nullptr;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    ASN1_TIME_set(X509_getm_notAfter(cert.get()), not_after);
    X509_set_pubkey(cert.get(), key);
    set_name(X509_get_subject_name(cert.get()), common_name);
    return cert;
}

QByteArray to_pem(const std::function<int(BIO*)>& write)
{
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        return QByteArray();
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, static_cast<qsizetype>(size));
}

} // namespace

std::optional<TestCertificates> TestCertificates::create(QString& error,
                                                         std::chrono::seconds validity)
{
    const std::time_t now = std::time(nullptr);
    const std::time_t server_not_after = now + validity.count();
    const std::time_t ca_not_after = std::max(server_not_after, now + 24 * 3600);
    const Key ca_key = new_key();
    const Key server_key = new_key();
    if (!ca_key || !server_key) {
        error = QStringLiteral("cannot make EC keys");
        return std::nullopt;
    }

    const Cert ca = new_certificate(ca_key.get(), 1, "Tessary test CA", ca_not_after);
    if (!ca) {
        error = QStringLiteral("cannot make the CA certificate");
        return std::nullopt;
    }
    X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
    bool ok = add_extension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE") &&
              add_extension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign") &&
              add_extension(ca.get(), ca.get(), NID_subject_key_identifier, "hash") &&
              X509_sign(ca.get(), ca_key.get(), EVP_sha256()) > 0;

    const Cert server = new_certificate(server_key.get(), 2, "localhost", server_not_after);
    ok = ok && server;
    if (ok) {
        X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get()));
        ok = add_extension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE") &&
             add_extension(server.get(), ca.get(), NID_key_usage,
                           "critical,digitalSignature,keyAgreement") &&
             add_extension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth") &&
             add_extension(server.get(), ca.get(), NID_subject_alt_name,
                           "DNS:localhost,IP:127.0.0.1,IP:::1") &&
             add_extension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always") &&
             X509_sign(server.get(), ca_key.get(), EVP_sha256()) > 0;
    }
    if (!ok) {
        error = QStringLiteral("cannot sign the test certificates");
        return std::nullopt;
    }

    TestCertificates result;
    result.server_expires_at = QDateTime::fromSecsSinceEpoch(server_not_after, Qt::UTC);
    result.ca_certificate_pem = to_pem([&](BIO* bio) { return PEM_write_bio_X509(bio, ca.get()); });
    result.server_certificate_pem =
        to_pem([&](BIO* bio) { return PEM_write_bio_X509(bio, server.get()); });
    result.server_key_pem = to_pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, server_key.get(), nullptr, nullptr, 0, nullptr,
                                        nullptr);
    });
    if (result.ca_certificate_pem.isEmpty() || result.server_certificate_pem.isEmpty() ||
        result.server_key_pem.isEmpty()) {
        error = QStringLiteral("cannot write the test certificates");
        return std::nullopt;
    }
    return result;
}
