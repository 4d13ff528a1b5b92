#pragma once

#include "LocalHttpsServer.h"
#include "QStringPrinter.h"
#include "hosting/HostResolver.h"
#include "hosting/ResolvedAddress.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

inline QByteArray rdap_file(const QString& relative_path)
{
    QFile file(QStringLiteral(TESSARY_TEST_DATA_DIR "/rdap/") + relative_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline ResolvedAddress address(const char* text)
{
    return *ResolvedAddress::from_text(QString::fromLatin1(text));
}

// Answers from a table of host -> address text (no entry: does not resolve).
// Answers come on a later turn of the event loop, or only when the test says so
// while `hold` is set, so a test can keep a lookup in flight.
class FakeResolver final : public HostResolver {
public:
    QHash<QString, QString> addresses;
    bool hold = false;
    QStringList requested;

    void resolve(const QString& host, Done done) override
    {
        requested.append(host);
        if (hold) {
            pending_.append({host, std::move(done)});
            return;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, host, done = std::move(done)] { done(answer_for(host)); }, Qt::QueuedConnection);
    }

    qsizetype pending_count() const { return pending_.size(); }
    // Answers the oldest held lookup.
    void answer_next()
    {
        auto [host, done] = pending_.takeFirst();
        done(answer_for(host));
    }

private:
    std::optional<ResolvedAddress> answer_for(const QString& host) const
    {
        return addresses.contains(host) ? ResolvedAddress::from_text(addresses.value(host))
                                        : std::nullopt;
    }

    QList<std::pair<QString, Done>> pending_;
};

// A local stand-in for IANA and the five registries: the real bootstrap files,
// with every registry's https server moved to a path of this server
// ("https://rdap.arin.net/registry/" becomes "https://127.0.0.1:PORT/rdap.arin.net/registry/").
class RegistryServer {
public:
    RegistryServer()
    {
        serve_bootstrap("ipv4.json");
        serve_bootstrap("ipv6.json");
    }

    LocalHttpsServer& http() { return server_; }
    QUrl bootstrap_base() const { return server_.url(QStringLiteral("/rdap/")); }

    // What the registry at `registry_path` (such as "/rdap.arin.net/registry/")
    // answers for `address`.
    void serve_answer(const QByteArray& registry_path, const QByteArray& address,
                      ServedResponse response)
    {
        server_.serve(registry_path + "ip/" + address, std::move(response));
    }
    void serve_answer_file(const QByteArray& registry_path, const QByteArray& address,
                           const QString& file)
    {
        serve_answer(
            registry_path, address,
            ServedResponse::with_status(200, rdap_file(QStringLiteral("responses/") + file))
                .header("Content-Type", "application/rdap+json"));
    }

    int requests_for(const QByteArray& path) const
    {
        return int(server_.requests_for(path).size());
    }

private:
    void serve_bootstrap(const char* name)
    {
        QByteArray file = rdap_file(QStringLiteral("bootstrap/") + QLatin1String(name));
        const QByteArray here = server_.url(QStringLiteral("/")).toEncoded();
        file.replace("\"https://rdap.", "\"" + here + "rdap.");
        server_.serve_body("/rdap/" + QByteArray(name), file);
    }

    LocalHttpsServer server_;
};
