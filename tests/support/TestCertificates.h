#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A certificate authority made on the spot and one server certificate signed by
// it for localhost, 127.0.0.1 and ::1. EC P-256 keys keep making it cheap.
struct TestCertificates {
    QByteArray ca_certificate_pem;
    QByteArray server_certificate_pem;
    QByteArray server_key_pem;

    // None when OpenSSL could not make them; `error` then says why.
    static std::optional<TestCertificates> create(QString& error);
};
