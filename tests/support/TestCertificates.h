#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// A certificate authority made on the spot and one server certificate signed by
// it for localhost, 127.0.0.1 and ::1. EC P-256 keys keep making it cheap.
struct TestCertificates {
    QByteArray ca_certificate_pem;
    QByteArray server_certificate_pem;
    QByteArray server_key_pem;
    // The server certificate's notAfter, to the second.
    QDateTime server_expires_at;

    // The server certificate is valid from an hour ago until `validity` from
    // now (in the past when negative, for an expired one). None when OpenSSL
    // could not make them; `error` then says why.
    static std::optional<TestCertificates>
    create(QString& error, std::chrono::seconds validity = std::chrono::hours(24));
};
