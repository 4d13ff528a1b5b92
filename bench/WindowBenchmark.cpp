// The window's speed on the offscreen platform: first paint with an empty data
// folder and with 1,000,000 measurements over 10 domains, the main-thread work
// per recorded measurement with 1,000 domains in the sidebar, and the heartbeat
// walk against the length of the history. Prints its figures.
#include "BenchmarkText.h"
#include "DemoDataFolder.h"
#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "i18n/L10n.h"
#include "ui/DomainHeartbeat.h"
#include "ui/MainWindow.h"
#include "ui/SidebarModel.h"
#include "ui/SidebarView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace {

using BenchmarkText::ms;
using BenchmarkText::out;

// Notes when a widget has painted, how often and how many pixels.
class PaintWatch final : public QObject {
public:
    bool painted = false;
    int paints = 0;
    qint64 pixels = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = true;
            ++paints;
            const QRect area = static_cast<QPaintEvent*>(event)->rect();
            pixels += qint64(area.width()) * area.height();
        }
        return QObject::eventFilter(watched, event);
    }
};

struct FirstPaint {
    double load_ms = 0;
    double paint_ms = 0;
};

// From opening the store to the sidebar's first paint.
FirstPaint first_paint(const QString& folder)
{
    StoreTestEnvironment services;
    FakeUiDialogs dialogs;
    QElapsedTimer timer;
    timer.start();
    auto store = std::move(TessaryStore::open(services.environment(folder))).value();
    const qint64 loaded = timer.nsecsElapsed();
    MainWindow window(*store, dialogs, services.clock);
    PaintWatch watch;
    window.sidebar().list().viewport()->installEventFilter(&watch);
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 painted = timer.nsecsElapsed();
    return {ms(loaded), ms(painted - loaded)};
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

struct Spread {
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Spread spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[values.size() * 95 / 100], values.back()};
}

// One measurement of a random domain every 20 ms; the time from recording it to
// the event loop being idle again (store, model, repaint).
void recordings_with_many_domains(const QString& folder, int recordings)
{
    QList<DemoDataFolder::Site> sites;
    for (int i = 0; i < 1000; ++i)
        sites.append({QStringLiteral("https://site%1.example.com/").arg(i, 4, 10, QLatin1Char('0')),
                      0.2 + 0.001 * i, 0.01, 0.02});
    StoreTestEnvironment services;
    DemoDataFolder::write(folder, sites, services.clock.now(), 60, 60);
    FakeUiDialogs dialogs;
    auto store = std::move(TessaryStore::open(services.environment(folder))).value();
    MainWindow window(*store, dialogs, services.clock);
    window.resize(1200, 760);
    window.show();
    settle();

    const QList<MonitoredDomain>& domains = store->domains();
    std::mt19937 random(7);
    std::uniform_int_distribution<qsizetype> pick(0, domains.size() - 1);
    std::vector<double> random_rows;
    std::vector<double> visible_rows;
    std::vector<double> recording_only;
    const int resets_before = window.sidebar().model().reset_count();
    PaintWatch watch;
    window.sidebar().list().viewport()->installEventFilter(&watch);
    {
        std::vector<double> idle;
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer t;
            t.start();
            settle();
            idle.push_back(ms(t.nsecsElapsed()));
        }
        out() << "  idle event loop turn (baseline): median " << spread(idle).median << " ms\n";
    }
    int done = 0;
    QTimer timer;
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // Every fourth recording goes to the first row, which is on screen.
        const bool visible = done % 4 == 0;
        const QUuid id = domains[visible ? 0 : pick(random)].id;
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = services.clock.now();
        m.url_string = QStringLiteral("https://example.com/");
        m.total_time = 0.25;
        m.http_status = 200;
        QElapsedTimer work;
        work.start();
        store->record_measurement(id, m);
        recording_only.push_back(ms(work.nsecsElapsed()));
        settle();
        (visible ? visible_rows : random_rows).push_back(ms(work.nsecsElapsed()));
        if (++done == recordings) {
            timer.stop();
            loop.quit();
        }
    });
    timer.start(20);
    loop.exec();

    const Spread any = spread(random_rows);
    const Spread shown = spread(visible_rows);
    const Spread store_part = spread(recording_only);
    out() << "1000 domains, one measurement every 20 ms (" << recordings << " recordings):\n"
          << "  random rows (mostly off screen): median " << any.median << " ms, p95 " << any.p95
          << " ms, max " << any.max << " ms\n"
          << "  a row on screen:                 median " << shown.median << " ms, p95 "
          << shown.p95 << " ms, max " << shown.max << " ms\n"
          << "  of which record_measurement and its signal handlers: median " << store_part.median
          << " ms, max " << store_part.max << " ms\n"
          << "  list repaints: " << watch.paints << " (" << watch.pixels / std::max(watch.paints, 1)
          << " pixels each on average)\n"
          << "  sidebar rebuilds during the run: "
          << window.sidebar().model().reset_count() - resets_before << "\n";
}

void heartbeat_walk()
{
    const QDateTime now = QDateTime(QDate(2025, 1, 31), QTime(12, 0), Qt::UTC);
    std::mt19937_64 random(3);
    for (const int count : {1'000, 100'000, 1'000'000}) {
        MonitoredDomain domain;
        domain.max_history_hours = 48;
        domain.measurements = DemoDataFolder::history(
            DemoDataFolder::Site{QStringLiteral("https://a.example/")}, now, count, 60, random);
        const int rounds = 200;
        QElapsedTimer timer;
        timer.start();
        qsizetype segments = 0;
        for (int i = 0; i < rounds; ++i)
            segments += DomainHeartbeat::strip(domain, now, 240.0).segments.size();
        out() << "heartbeat strip, 48 h window, history of " << count << ": "
              << ms(timer.nsecsElapsed()) / rounds << " ms per strip (" << segments / rounds
              << " segments)\n";
    }
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", qPrintable(home.filePath(QStringLiteral("data"))), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.filePath(QStringLiteral("config"))), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));
    L10n::set_selected_language(AppLanguage::english);
    out().setRealNumberPrecision(3);
    out().setRealNumberNotation(QTextStream::FixedNotation);

    // `window_benchmark [RECORDINGS] [sidebar]`: "sidebar" runs the recordings alone.
    const bool sidebar_only = argc > 2 && std::strcmp(argv[2], "sidebar") == 0;
    if (!sidebar_only) {
        const FirstPaint empty = first_paint(home.filePath(QStringLiteral("empty")));
        out() << "first paint, empty data folder: " << empty.load_ms + empty.paint_ms
              << " ms (store " << empty.load_ms << " ms, window " << empty.paint_ms << " ms)\n";
        out().flush();
    }
    if (!sidebar_only) {
        const QString folder = home.filePath(QStringLiteral("million"));
        QList<DemoDataFolder::Site> sites;
        for (int i = 0; i < 10; ++i)
            sites.append({QStringLiteral("https://big%1.example.com/").arg(i), 0.3, 0.005, 0.03});
        DemoDataFolder::write(folder, sites, QDateTime::currentDateTimeUtc(), 100'000, 60);
        const FirstPaint big = first_paint(folder);
        out() << "first paint, 1,000,000 measurements over 10 domains: store load " << big.load_ms
              << " ms, then window " << big.paint_ms << " ms\n";
        out().flush();
    }
    recordings_with_many_domains(home.filePath(QStringLiteral("thousand")),
                                 argc > 1 ? std::atoi(argv[1]) : 500);
    out().flush();
    heartbeat_walk();
    out().flush();
    return 0;
}
