#include "DataFolder.h"
#include "EventLoop.h"
#include "StoreTestEnvironment.h"
#include "model/AtomicFile.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/HistoryWriter.h"
#include "store/TessaryStore.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

DomainMeasurement measurement(const QDateTime& at, double total_time = 0.2)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = at;
    m.total_time = total_time;
    m.http_status = 200;
    return m;
}

class Persistence : public ::testing::Test {
protected:
    void SetUp() override
    {
        MonitoredDomain d;
        d.id = QUuid::createUuid();
        d.url_string = QStringLiteral("https://example.com");
        d.interval_seconds = 60;
        d.is_active = false; // measurements come from the test alone
        domain_id = d.id;
        folder.write(QStringLiteral("domains.json"), DomainJson::encode_list({d}));
        auto opened = TessaryStore::open(services.environment(folder.path()));
        ASSERT_TRUE(opened);
        store = std::move(opened).value();
    }

    void record() { store->record_measurement(domain_id, measurement(clock.now())); }

    qsizetype written_measurements() const
    {
        const auto history =
            HistoryJson::decode(folder.read(QStringLiteral("measurement_history.json")));
        return history ? history->cbegin()->size() : -1;
    }

    DataFolder folder;
    StoreTestEnvironment services;
    ManualClock& clock = services.clock;
    QUuid domain_id;
    std::unique_ptr<TessaryStore> store;
};

TEST_F(Persistence,
       ten_measurements_within_fifteen_seconds_make_one_write_twenty_seconds_after_the_first)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    for (int i = 0; i < 10; ++i) {
        record();
        clock.advance_by(1'500);
    }
    EXPECT_FALSE(folder.exists(QStringLiteral("measurement_history.json")));

    clock.advance_by(20'000 - 15'000 - 1);
    EXPECT_TRUE(store->has_pending_history_save());
    EXPECT_FALSE(folder.exists(QStringLiteral("measurement_history.json")));
    clock.advance_by(1);
    ASSERT_TRUE(wait_until([&] { return finished.size() == 1; }));
    EXPECT_EQ(written_measurements(), 10);
    EXPECT_FALSE(store->has_pending_history_save());

    clock.advance_by(60'000);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(clock.pending_count(), 0u);
}

TEST_F(Persistence, a_measurement_during_the_write_waits_for_the_next_request)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    record();
    clock.advance_by(20'000);
    record(); // while the write is under way (or just done, before its completion arrives)
    ASSERT_TRUE(wait_until([&] { return finished.size() == 1; }));
    EXPECT_FALSE(store->has_pending_history_save());

    record();
    clock.advance_by(20'000);
    ASSERT_TRUE(wait_until([&] { return finished.size() == 2; }));
    EXPECT_EQ(written_measurements(), 3);
}

TEST_F(Persistence, flushing_writes_at_once_and_cancels_the_pending_save)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    record();
    clock.advance_by(5'000);
    store->flush_persistence();
    EXPECT_EQ(written_measurements(), 1);
    EXPECT_FALSE(store->has_pending_history_save());

    clock.advance_by(60'000);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 0);
}

TEST_F(Persistence, configuration_saves_leave_histories_out)
{
    record();
    store->save_configuration();
    const auto saved = DomainJson::decode_list(folder.read(QStringLiteral("domains.json")));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 1);
    EXPECT_TRUE(saved->first().measurements.isEmpty());
    EXPECT_TRUE(folder.read(QStringLiteral("domains.json")).contains("\"measurements\":[]"));
}

TEST_F(Persistence, measurements_of_an_unknown_domain_are_dropped)
{
    store->record_measurement(QUuid::createUuid(), measurement(clock.now()));
    EXPECT_FALSE(store->has_pending_history_save());
    EXPECT_TRUE(store->domains().first().measurements.isEmpty());
}

TEST_F(Persistence, the_store_destroyed_with_a_pending_save_writes_nothing)
{
    record();
    store.reset();
    clock.advance_by(30'000);
    EXPECT_FALSE(folder.exists(QStringLiteral("measurement_history.json")));
}

TEST_F(Persistence, a_failed_write_keeps_the_previous_file_and_the_store_running)
{
    record();
    store->flush_persistence();
    const QByteArray previous = folder.read(QStringLiteral("measurement_history.json"));

    AtomicFile::set_system_calls({[](int, const void*, size_t) -> ssize_t {
                                      errno = ENOSPC;
                                      return -1;
                                  },
                                  AtomicFile::default_system_calls().fsync});
    record();
    store->flush_persistence();
    AtomicFile::set_system_calls(AtomicFile::default_system_calls());

    EXPECT_EQ(folder.read(QStringLiteral("measurement_history.json")), previous);
    EXPECT_EQ(
        folder.entries(),
        (QStringList{QStringLiteral("domains.json"), QStringLiteral("hosting_profiles.json"),
                     QStringLiteral("measurement_history.json"), QStringLiteral("tessary.lock")}));
    EXPECT_EQ(store->domains().first().measurements.size(), 2);

    store->flush_persistence();
    EXPECT_EQ(written_measurements(), 2);
}

TEST_F(Persistence, a_history_file_replaced_by_a_folder_is_left_alone)
{
    QDir().mkpath(folder.file(QStringLiteral("measurement_history.json")));
    record();
    store->flush_persistence();
    EXPECT_TRUE(QFileInfo(folder.file(QStringLiteral("measurement_history.json"))).isDir());
    EXPECT_EQ(store->domains().first().measurements.size(), 1);
}

TEST(HistoryWriter, an_older_snapshot_never_replaces_a_newer_one)
{
    DataFolder folder;
    QDir().mkpath(folder.path());
    const QUuid id = QUuid::createUuid();
    const QDateTime at(QDate(2025, 1, 31), QTime(9, 0), Qt::UTC);
    HistoryWriter writer(folder.file(QStringLiteral("history.json")));
    const quint64 older = writer.next_generation();
    const quint64 newer = writer.next_generation();

    writer.write_now({{id, {measurement(at), measurement(at)}}}, newer);
    QObject context;
    bool done = false;
    writer.write_in_background({{id, {measurement(at)}}}, older, &context, [&] { done = true; });
    ASSERT_TRUE(wait_until([&] { return done; }));

    const auto history = HistoryJson::decode(folder.read(QStringLiteral("history.json")));
    ASSERT_TRUE(history);
    EXPECT_EQ(history->cbegin()->size(), 2);
}

TEST(AtomicFile, replaces_content_keeps_permissions_and_leaves_no_temporary_file)
{
    DataFolder folder;
    folder.write(QStringLiteral("data.json"), "old");
    QFile::setPermissions(folder.file(QStringLiteral("data.json")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(AtomicFile::write(folder.file(QStringLiteral("data.json")), "new"));
    EXPECT_EQ(folder.read(QStringLiteral("data.json")), "new");
    EXPECT_EQ(QFile::permissions(folder.file(QStringLiteral("data.json"))),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    EXPECT_EQ(folder.entries(), QStringList{QStringLiteral("data.json")});

    const auto missing_folder = AtomicFile::write(folder.file(QStringLiteral("no/such.json")), "x");
    ASSERT_TRUE(missing_folder);
    EXPECT_FALSE(missing_folder->isEmpty());
}

} // namespace
