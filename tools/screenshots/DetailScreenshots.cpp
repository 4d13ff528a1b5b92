// Writes pictures of the detail pane for the README and for review, built on the
// offscreen platform from a generated demo domain:
//   detail_screenshots <output directory>
#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "i18n/L10n.h"
#include "ui/UiDialogs.h"
#include "ui/detail/DomainDetailView.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Two days of a site that is usually quick, with a slow afternoon, a short
// outage with failures and the odd slow local network.
void record_demo_history(TessaryStore& store, const QUuid& id, const QDateTime& now)
{
    std::mt19937 random(7);
    std::normal_distribution<double> jitter(0.0, 0.035);
    const int interval = 120;
    const int count = 48 * 3600 / interval;
    for (int i = count; i >= 1; --i) {
        const QDateTime at = now.addSecs(-qint64(interval) * i);
        const double hours_ago = i * interval / 3600.0;
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = at;
        m.url_string = (i % 9 == 0) ? u"https://www.example-shop.com/checkout"_s
                                    : u"https://www.example-shop.com/"_s;
        m.dns_time = 0.012 + std::abs(jitter(random)) / 4;
        m.connect_time = 0.018 + std::abs(jitter(random)) / 4;
        m.ssl_time = 0.031 + std::abs(jitter(random)) / 3;
        double total = 0.21 + 0.05 * std::sin(hours_ago / 3.0) + std::abs(jitter(random));
        if (hours_ago > 20 && hours_ago < 22)
            total += 0.5 + 0.4 * std::sin(hours_ago * 7);
        m.http_status = 200;
        m.response_x_headers = {{u"x-cache"_s, (i % 4 == 0) ? u"MISS"_s : u"HIT"_s},
                                {u"x-served-by"_s, u"cache-ams21"_s}};
        if (hours_ago > 9.0 && hours_ago < 9.25) {
            m.http_status = 503;
            m.error_message = u"Service Unavailable"_s;
            m.response_x_headers.clear();
        } else if (i % 97 == 0) {
            total = 4.2 + (i % 3);
        } else if (i % 211 == 0) {
            m.is_local_network_issue = true;
            m.network_baseline_time = 1.9;
            total = 2.4;
        }
        if (!m.network_baseline_time)
            m.network_baseline_time = 0.04 + std::abs(jitter(random)) / 5;
        m.total_time = total;
        m.ttfb_time = std::max(0.05, total - 0.03);
        store.record_measurement(id, m);
    }
}

int run(const QString& output)
{
    QTemporaryDir data;
    StoreTestEnvironment services;
    services.clock.advance_to(QDateTime(QDate(2025, 6, 12), QTime(14, 30), Qt::UTC));
    auto opened = TessaryStore::open(services.environment(data.path() + u"/Tessary"_s));
    if (!opened)
        return 1;
    TessaryStore& store = **opened;
    store.add_domain(u"www.example-shop.com"_s, 120, 48, u"Tessarybot"_s, true, true);
    const QUuid id = *store.selected_domain_id();
    services.clock.advance_by(0);
    QCoreApplication::processEvents();
    record_demo_history(store, id, services.clock.now().addSecs(-30));
    if (services.measurements.pending_count() > 0)
        services.measurements.complete_with(0.231);
    // An active domain whose first attempt found no network: nothing recorded yet.
    store.add_domain(u"status.example.org"_s, 60, 24, u"Tessarybot"_s, true, false);
    const QUuid empty_id = *store.selected_domain_id();
    services.clock.advance_by(0);
    QCoreApplication::processEvents();
    if (services.measurements.pending_count() > 0)
        services.measurements.complete(std::nullopt);

    FakeUiDialogs dialogs;
    QDir().mkpath(output);
    const auto shoot = [&](const QUuid& domain, const QString& name, int height,
                           const std::function<void(DomainDetailView&)>& prepare) {
        DomainDetailView view(store, domain, dialogs, services.clock);
        view.resize(1180, height);
        view.show();
        if (prepare)
            prepare(view);
        QCoreApplication::processEvents();
        const bool saved = view.grab().save(output + u'/' + name);
        QTextStream(stdout) << (saved ? "wrote " : "could not write ") << name << '\n';
        return saved;
    };
    bool ok = true;
    L10n::set_selected_language(AppLanguage::english);
    ok &= shoot(id, u"detail-pane.png"_s, 1240, nullptr);
    ok &= shoot(empty_id, u"detail-pane-empty.png"_s, 1000, nullptr);
    ok &= shoot(id, u"detail-full-history.png"_s, 800,
                [](DomainDetailView& view) { view.set_shows_full_table(true); });
    ok &= shoot(id, u"detail-disturbances.png"_s, 640,
                [](DomainDetailView& view) { view.set_shows_disturbances(true); });
    L10n::set_selected_language(AppLanguage::dutch);
    ok &= shoot(id, u"detail-pane-dutch.png"_s, 1240, nullptr);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        QTextStream(stderr) << "usage: detail_screenshots <output directory>\n";
        return 2;
    }
    // Its own settings and data, a fixed zone, and no display needed.
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", (home.path() + u"/config"_s).toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (home.path() + u"/data"_s).toLocal8Bit().constData(), 1);
    setenv("TZ", "Europe/Amsterdam", 1);
    tzset();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Tessary"_s);
    QCoreApplication::setApplicationName(u"Tessary"_s);
    return run(QString::fromLocal8Bit(argv[1]));
}
