#include "EventLoop.h"
#include "StoreFixture.h"
#include "model/AtomicFile.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/HistoryWriter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

class Persistence : public StoreFixture {
protected:
    void SetUp() override
    {
        open();
        domain_id = add(u"example.com"_s); // inactive: measurements come from the test alone
    }

    void record() { store->record_measurement(domain_id, sample_measurement(clock.now())); }

    qsizetype written_measurements() const
    {
        const auto history = HistoryJson::decode(folder.read(u"measurement_history.json"_s));
        return history ? history->cbegin()->size() : -1;
    }

    QUuid domain_id;
};

TEST_F(Persistence,
       ten_measurements_within_fifteen_seconds_make_one_write_twenty_seconds_after_the_first)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    for (int i = 0; i < 10; ++i) {
        record();
        clock.advance_by(1'500);
    }
    EXPECT_FALSE(folder.exists(u"measurement_history.json"_s));

    clock.advance_by(20'000 - 15'000 - 1);
    EXPECT_TRUE(store->has_pending_history_save());
    EXPECT_FALSE(folder.exists(u"measurement_history.json"_s));
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

TEST_F(Persistence, configuration_saves_leave_histories_out_and_strangers_are_dropped)
{
    record();
    store->record_measurement(QUuid::createUuid(), sample_measurement(clock.now()));
    EXPECT_EQ(store->domains().first().measurements.size(), 1);
    store->save_configuration();
    const auto saved = DomainJson::decode_list(folder.read(u"domains.json"_s));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 1);
    EXPECT_TRUE(saved->first().measurements.isEmpty());
}

TEST_F(Persistence, the_store_destroyed_with_a_pending_save_writes_nothing)
{
    record();
    store.reset();
    clock.advance_by(30'000);
    EXPECT_FALSE(folder.exists(u"measurement_history.json"_s));
}

// A full disk while writing, or a failing flush to disk: the previous file stays
// whole, no partial file is left, and the next save writes everything.
TEST_F(Persistence, a_failed_write_keeps_the_previous_file_and_the_store_running)
{
    record();
    store->flush_persistence();
    const QByteArray previous = folder.read(u"measurement_history.json"_s);

    const AtomicFile::SystemCalls& system = AtomicFile::default_system_calls();
    const AtomicFile::SystemCalls failing[] = {
        {[](int, const void*, size_t) -> ssize_t {
             errno = ENOSPC;
             return -1;
         },
         system.fsync},
        {system.write,
         [](int) {
             errno = EIO;
             return -1;
         }},
    };
    for (const AtomicFile::SystemCalls& calls : failing) {
        record();
        AtomicFile::set_system_calls(calls);
        store->flush_persistence();
        AtomicFile::set_system_calls(system);
        EXPECT_EQ(folder.read(u"measurement_history.json"_s), previous);
        EXPECT_EQ(folder.entries(),
                  (QStringList{u"domains.json"_s, u"hosting_profiles.json"_s,
                               u"measurement_history.json"_s, u"tessary.lock"_s}));
    }
    EXPECT_EQ(store->domains().first().measurements.size(), 3);
    store->flush_persistence();
    EXPECT_EQ(written_measurements(), 3);
}

TEST(HistoryWriter, an_older_snapshot_never_replaces_a_newer_one)
{
    DataFolder folder;
    QDir().mkpath(folder.path());
    const QUuid id = QUuid::createUuid();
    const QDateTime at(QDate(2025, 1, 31), QTime(9, 0), Qt::UTC);
    HistoryWriter writer(folder.file(u"history.json"_s));
    const quint64 older = writer.next_generation();
    const quint64 newer = writer.next_generation();

    writer.write_now({{id, {sample_measurement(at), sample_measurement(at)}}}, newer);
    QObject context;
    bool done = false;
    writer.write_in_background({{id, {sample_measurement(at)}}}, older, &context,
                               [&] { done = true; });
    ASSERT_TRUE(wait_until([&] { return done; }));

    const auto history = HistoryJson::decode(folder.read(u"history.json"_s));
    ASSERT_TRUE(history);
    EXPECT_EQ(history->cbegin()->size(), 2);
}

} // namespace
