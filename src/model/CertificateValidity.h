#pragma once

#include "model/DomainMeasurement.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// How long a site's TLS certificate has left, counted in calendar days of the
// user's time zone: a certificate that expires tomorrow morning has 1 day left
// whatever the hour now, and 0 on the day it expires.
struct CertificateValidity {
    // Warnings start once fewer than this many days are left.
    static constexpr qint64 warning_days = 14;

    // Days from today to the day of expiry; negative once that day has passed.
    qint64 days_left = 0;
    // The instant of expiry has passed (possibly earlier today).
    bool has_expired = false;

    static CertificateValidity at(const QDateTime& expires_at, const QDateTime& now,
                                  const QTimeZone& zone = QTimeZone::systemTimeZone());

    // Of the newest measurement that recorded an expiry; none when no
    // measurement did (plain HTTP, only failed handshakes).
    static std::optional<CertificateValidity>
    of_latest(const QList<DomainMeasurement>& newest_first, const QDateTime& now,
              const QTimeZone& zone = QTimeZone::systemTimeZone());

    bool is_expiring_soon() const { return has_expired || days_left < warning_days; }

    // "Certificate valid for 45 more days", "Certificate expires today",
    // "Certificate expired 3 days ago", in the current language.
    QString description() const;

    bool operator==(const CertificateValidity&) const = default;
};

// The expiry recorded by the newest measurement that has one; invalid when none.
QDateTime latest_certificate_expiry(const QList<DomainMeasurement>& newest_first);
