// The detail pane with large histories, on the offscreen platform. Prints:
// - selecting a domain of 100,000 measurements (pane built, laid out, painted);
// - opening the full history of a 1,000,000-measurement domain, and scrolling it;
// - a new measurement of the shown domain: the pane's own work after the store's;
// - what one countdown tick repaints.
//
//   detail_benchmark
#include "FakeUiDialogs.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/TessaryStore.h"
#include "ui/UiDialogs.h"
#include "ui/detail/DomainDetailView.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/MeasurementTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Real time, but the countdown's one-second tick fires when the benchmark says.
class BenchClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc().addMSecs(offset_ms); }
    std::unique_ptr<ScheduledCall> call_after(qint64, std::function<void()> callback) override
    {
        auto call = std::make_unique<Call>();
        pending.push_back({call->alive, std::move(callback)});
        return call;
    }
    // Runs the calls whose owners still wait for them.
    void fire()
    {
        offset_ms += 1000;
        auto calls = std::move(pending);
        pending.clear();
        for (auto& [alive, call] : calls) {
            if (*alive)
                call();
        }
    }

private:
    struct Call final : ScheduledCall {
        std::shared_ptr<bool> alive = std::make_shared<bool>(true);
        ~Call() override { *alive = false; }
    };
    std::vector<std::pair<std::shared_ptr<bool>, std::function<void()>>> pending;
    qint64 offset_ms = 0;
};

// Records which widgets paint and where, in window coordinates.
class PaintRecorder final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const QRect rect = static_cast<QPaintEvent*>(event)->rect();
            painted =
                painted.united(QRect(widget->mapTo(widget->window(), rect.topLeft()), rect.size()));
            ++paint_events;
            names.insert(widget->objectName().isEmpty()
                             ? QString::fromLatin1(widget->metaObject()->className())
                             : widget->objectName());
        }
        return false;
    }
    void reset()
    {
        painted = QRect();
        paint_events = 0;
        names.clear();
    }
    QRect painted;
    int paint_events = 0;
    QSet<QString> names;
};

DomainMeasurement measurement(std::mt19937_64& random, const QString& url, qint64 at)
{
    std::lognormal_distribution<double> spread(std::log(0.05), 0.5);
    const auto time = [&] { return std::round(spread(random) * 1e6) / 1e6; };
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
    m.url_string = url;
    m.dns_time = time();
    m.connect_time = time();
    m.ssl_time = time();
    m.ttfb_time = time();
    m.total_time = *m.dns_time + *m.connect_time + *m.ssl_time + *m.ttfb_time + time();
    m.http_status = (random() % 500 == 0) ? 503 : 200;
    m.response_x_headers = {{u"x-cache"_s, (random() % 3 == 0) ? u"MISS"_s : u"HIT"_s}};
    m.network_baseline_time = time();
    return m;
}

MonitoredDomain domain_with(std::mt19937_64& random, const QString& url, int count, int interval,
                            QList<DomainMeasurement>& history)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = url;
    domain.interval_seconds = interval;
    domain.is_active = true; // the countdown counts down (the store does not measure here)
    const qint64 newest = QDateTime::currentSecsSinceEpoch() - 5;
    history.reserve(count);
    for (int i = 0; i < count; ++i)
        history.append(measurement(random, url, newest - qint64(i) * interval));
    return domain;
}

double ms_since(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", (home.path() + u"/config"_s).toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (home.path() + u"/data"_s).toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Tessary"_s);
    QCoreApplication::setApplicationName(u"Tessary"_s);

    std::printf("Generating a 100,000- and a 1,000,000-measurement domain...\n");
    std::fflush(stdout);
    std::mt19937_64 random(1);
    QList<DomainMeasurement> history_100k;
    QList<DomainMeasurement> history_1m;
    const MonitoredDomain domain_100k =
        domain_with(random, u"https://www.example.com/"_s, 100'000, 60, history_100k);
    const MonitoredDomain domain_1m =
        domain_with(random, u"https://big.example.org/health"_s, 1'000'000, 20, history_1m);
    const QString folder = home.path() + u"/Tessary"_s;
    const StoreFiles files = StoreFiles::in(folder);
    QDir().mkpath(folder);
    {
        QFile config(files.persistence_url);
        config.open(QIODevice::WriteOnly);
        config.write(DomainJson::encode_list({domain_100k, domain_1m}));
        HistorySnapshot snapshot;
        snapshot.append({domain_100k.id, history_100k});
        snapshot.append({domain_1m.id, history_1m});
        if (const auto error = HistoryJson::write_file(files.history_url, snapshot)) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            return 1;
        }
    }
    history_100k.clear();
    history_1m.clear();

    BenchClock clock;
    TessaryStore::Environment environment;
    environment.support_directory = folder;
    environment.clock = &clock;
    environment.lock_holder = u"detail_benchmark"_s;
    environment.monitors = false;
    auto opened = TessaryStore::open(environment);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        return 1;
    }
    TessaryStore& store = **opened;
    FakeUiDialogs dialogs;
    PaintRecorder recorder;
    app.installEventFilter(&recorder);

    // A first pane, so fonts, styles and icons are warm as in a running window.
    {
        DomainDetailView warm(store, domain_100k.id, dialogs, clock);
        warm.resize(1100, 800);
        warm.show();
        settle();
    }

    // Selecting the 100k domain: build, lay out and paint.
    QElapsedTimer timer;
    timer.start();
    auto view = std::make_unique<DomainDetailView>(store, domain_100k.id, dialogs, clock);
    view->resize(1100, 800);
    view->show();
    settle();
    const double select_ms = ms_since(timer);

    // A new measurement: the pane's own slot on the store's change signal is timed
    // by two probes connected before and after it, then the repaint that follows.
    std::mt19937_64 more(2);
    std::vector<double> slot_samples;
    std::vector<double> paint_samples;
    std::vector<double> store_samples;
    {
        view.reset();
        QElapsedTimer slot_timer;
        double slot_ms = 0;
        const auto before =
            QObject::connect(&store, &TessaryStore::domains_changed, [&] { slot_timer.start(); });
        view = std::make_unique<DomainDetailView>(store, domain_100k.id, dialogs, clock);
        const auto after = QObject::connect(&store, &TessaryStore::domains_changed,
                                            [&] { slot_ms = ms_since(slot_timer); });
        view->resize(1100, 800);
        view->show();
        settle();
        for (int i = 0; i < 21; ++i) {
            timer.restart();
            store.record_measurement(
                domain_100k.id,
                measurement(more, domain_100k.url_string, QDateTime::currentSecsSinceEpoch()));
            store_samples.push_back(ms_since(timer) - slot_ms);
            slot_samples.push_back(slot_ms);
            timer.restart();
            settle(); // the repaint
            paint_samples.push_back(ms_since(timer));
        }
        QObject::disconnect(before);
        QObject::disconnect(after);
    }
    const auto median = [](std::vector<double> samples) {
        std::sort(samples.begin(), samples.end());
        return samples[samples.size() / 2];
    };
    const double store_only_ms = median(store_samples);
    const double slot_median_ms = median(slot_samples);
    const double paint_median_ms = median(paint_samples);

    // The countdown tick.
    settle();
    recorder.reset();
    clock.fire();
    settle();
    const auto* countdown = view->findChild<QLabel*>(u"countdown_label"_s);
    const QRect label_rect(countdown->mapTo(view->window(), QPoint(0, 0)), countdown->size());
    const QRect tick_painted = recorder.painted;
    const int tick_events = recorder.paint_events;
    const QStringList tick_names = QStringList(recorder.names.begin(), recorder.names.end());

    // The 1M domain: select it, then open its full history.
    view.reset();
    timer.restart();
    view = std::make_unique<DomainDetailView>(store, domain_1m.id, dialogs, clock);
    view->resize(1100, 800);
    view->show();
    settle();
    const double select_1m_ms = ms_since(timer);
    timer.restart();
    view->set_shows_full_table(true);
    settle();
    const double full_ms = ms_since(timer);
    auto* full = view->findChild<MeasurementTableView*>(u"full_table"_s);
    const int rows = full->measurement_model().rowCount();
    timer.restart();
    full->verticalScrollBar()->setValue(full->verticalScrollBar()->maximum() / 2);
    settle();
    const double scroll_middle_ms = ms_since(timer);
    timer.restart();
    full->verticalScrollBar()->setValue(full->verticalScrollBar()->maximum());
    settle();
    const double scroll_end_ms = ms_since(timer);
    timer.restart();
    view->set_history_filter(MeasurementHistoryFilter::errors);
    settle();
    const double filter_ms = ms_since(timer);
    const int error_rows = full->measurement_model().rowCount();

    std::printf("\nDetail pane (offscreen platform; the machine is shared with other builds, so\n"
                "figures vary from run to run)\n");
    std::printf("  select a domain of 100,000 measurements:   %7.1f ms (target 150 ms)\n",
                select_ms);
    std::printf("  select a domain of 1,000,000 measurements: %7.1f ms\n", select_1m_ms);
    std::printf("  open its full history (%d rows):       %7.1f ms (target 300 ms)\n", rows,
                full_ms);
    std::printf("    scroll to the middle:                    %7.1f ms\n", scroll_middle_ms);
    std::printf("    scroll to the end:                       %7.1f ms\n", scroll_end_ms);
    std::printf("    filter to errors (%d rows):             %7.1f ms\n", error_rows, filter_ms);
    std::printf("  a new measurement of the shown 100k domain (median of 21):\n");
    std::printf("    the store (insert, statistics):          %7.1f ms\n", store_only_ms);
    std::printf("    the pane's update (cards, chart, table):  %7.1f ms\n", slot_median_ms);
    std::printf("    the repaint that follows:                %7.1f ms\n", paint_median_ms);
    std::printf("    the pane's main-thread work:             %7.1f ms (target 16 ms)\n",
                slot_median_ms + paint_median_ms);
    std::printf("  countdown tick: %d paint events in %d x %d px at (%d,%d); the countdown "
                "label is %d x %d px at (%d,%d); painted: %s\n",
                tick_events, tick_painted.width(), tick_painted.height(), tick_painted.x(),
                tick_painted.y(), label_rect.width(), label_rect.height(), label_rect.x(),
                label_rect.y(), qPrintable(tick_names.join(u", "_s)));
    std::printf("  tick repaints only the countdown: %s\n",
                label_rect.contains(tick_painted) ? "yes" : "NO");
    return 0;
}
