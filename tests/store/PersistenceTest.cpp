#include "EventLoop.h"
#include "StoreFixture.h"
#include "model/AtomicFile.h"
#include "model/DomainJson.h"
#include "store/HistoryJournal.h"
#include "store/HistoryJson.h"
#include "store/JournalFile.h"
#include "store/StoreLoader.h"

#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

const QString history_file = u"measurement_history.json"_s;
const QString journal_file = u"measurement_history.journal"_s;

// The measurements in the history file alone, by domain; -1 for a domain it lacks.
qsizetype in_history_file(const DataFolder& folder, const QUuid& id)
{
    const auto history = HistoryJson::decode(folder.read(history_file));
    const QString key = id.toString(QUuid::WithoutBraces).toUpper();
    return history && history->contains(key) ? history->value(key).size() : -1;
}

// What a reader finds: the history file, then the journal.
LoadedStore on_disk(const DataFolder& folder)
{
    return StoreLoader::load(StoreFiles::in(folder.path()));
}

qsizetype journal_entries(const DataFolder& folder)
{
    const auto journal = HistoryJournal::parse(folder.read(journal_file));
    return journal.has_header ? journal.entries.size() : -1;
}

class Persistence : public StoreFixture {
protected:
    void SetUp() override
    {
        open();
        domain_id = add(u"example.com"_s); // inactive: measurements come from the test alone
    }

    void record(const QUuid& id) { store->record_measurement(id, sample_measurement(clock.now())); }
    void record() { record(domain_id); }

    qsizetype written_measurements() const
    {
        const LoadedStore loaded = on_disk(folder);
        return loaded.domains.isEmpty() ? -1 : loaded.domains.first().measurements.size();
    }

    // The debounced save, waited for.
    void save()
    {
        QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
        clock.advance_by(TessaryStore::history_save_delay_ms);
        ASSERT_TRUE(wait_until([&] { return finished.size() == 1; }));
    }

    QUuid domain_id;
};

TEST_F(Persistence,
       ten_measurements_within_fifteen_seconds_make_one_append_twenty_seconds_after_the_first)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    for (int i = 0; i < 10; ++i) {
        record();
        clock.advance_by(1'500);
    }
    EXPECT_FALSE(folder.exists(journal_file));

    clock.advance_by(20'000 - 15'000 - 1);
    EXPECT_TRUE(store->has_pending_history_save());
    EXPECT_FALSE(folder.exists(journal_file));
    clock.advance_by(1);
    ASSERT_TRUE(wait_until([&] { return finished.size() == 1; }));
    EXPECT_EQ(journal_entries(folder), 10);
    EXPECT_EQ(written_measurements(), 10);
    EXPECT_FALSE(folder.exists(history_file)); // appended, nothing rewritten
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

TEST_F(Persistence, flushing_appends_at_once_and_cancels_the_pending_save)
{
    QSignalSpy finished(store.get(), &TessaryStore::history_save_finished);
    record();
    clock.advance_by(5'000);
    store->flush_persistence();
    EXPECT_FALSE(store->has_pending_history_save());
    EXPECT_TRUE(wait_until([&] { return written_measurements() == 1; }));

    clock.advance_by(60'000);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 0);
}

TEST_F(Persistence, a_clean_stop_leaves_a_complete_history_file_and_an_empty_journal)
{
    record();
    store->flush_persistence();
    store->close_persistence();
    EXPECT_EQ(in_history_file(folder, domain_id), 1);
    EXPECT_EQ(journal_entries(folder), 0);
    EXPECT_EQ(QFile::permissions(folder.file(journal_file)),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
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
    EXPECT_FALSE(folder.exists(journal_file));
    EXPECT_FALSE(folder.exists(history_file));
}

// A full disk while appending, or a failing flush to disk: the journal is cut
// back to its last whole line, and the next save rewrites the history file with
// everything, the lost append included.
TEST_F(Persistence, a_failed_append_is_taken_back_and_the_next_save_writes_everything)
{
    const JournalFile::SystemCalls& system = JournalFile::default_system_calls();
    const JournalFile::SystemCalls failing[] = {
        {[](int, const void*, size_t) -> ssize_t {
             errno = ENOSPC;
             return -1;
         },
         system.fdatasync, system.fsync},
        {system.write,
         [](int) {
             errno = EIO;
             return -1;
         },
         system.fsync},
    };
    for (const JournalFile::SystemCalls& calls : failing) {
        record();
        store->close_persistence();
        const QByteArray history = folder.read(history_file);
        const QByteArray journal = folder.read(journal_file);
        record();
        JournalFile::set_system_calls(calls);
        save();
        JournalFile::set_system_calls(system);
        EXPECT_EQ(folder.read(journal_file), journal);
        EXPECT_EQ(folder.read(history_file), history);

        record();
        save();
        EXPECT_EQ(in_history_file(folder, domain_id), store->domains().first().measurements.size());
    }
    EXPECT_EQ(folder.entries(), (QStringList{u"domains.json"_s, u"hosting_profiles.json"_s,
                                             journal_file, history_file, u"tessary.lock"_s}));
}

// The journal at one byte below and at its threshold.
TEST_F(Persistence, a_save_compacts_once_the_journal_reaches_a_quarter_of_the_history_file)
{
    const qint64 history_bytes = 8 << 20;
    const qint64 threshold = HistoryPersistence::compaction_threshold(history_bytes);
    for (const qint64 below : {1, 0}) {
        store.reset();
        QByteArray history = HistoryJson::encode({{domain_id, {}}});
        folder.write(history_file, history.leftJustified(history_bytes, ' '));
        QByteArray entry;
        HistoryJournal::append_entry(entry, domain_id, sample_measurement(clock.now()));
        entry.chop(1); // the line is padded to the size wanted
        folder.write(journal_file,
                     HistoryJournal::header(FileIdentity::of_path(folder.file(history_file))) +
                         entry.leftJustified(threshold - below - 1, ' ') + '\n');
        open();
        record();
        save();
        EXPECT_EQ(in_history_file(folder, domain_id), below ? 0 : 2) << below;
    }
}

struct Removal {
    const char* name;
    void (*operation)(TessaryStore& store, QUuid a);
    qsizetype a_left; // in the history file; -1: gone
    qsizetype b_left;
};

class Removals : public Persistence, public ::testing::WithParamInterface<Removal> {};

// Removed measurements never come back from the journal.
TEST_P(Removals, rewrite_the_history_file_and_empty_the_journal)
{
    const QUuid b = add(u"b.example"_s);
    record();
    record(b);
    store->flush_persistence();
    GetParam().operation(*store, domain_id);
    store.reset(); // waits for the writes handed over
    EXPECT_EQ(journal_entries(folder), 0);
    EXPECT_EQ(in_history_file(folder, domain_id), GetParam().a_left);
    EXPECT_EQ(in_history_file(folder, b), GetParam().b_left);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, Removals,
    ::testing::Values(
        Removal{"clear_history", [](TessaryStore& s, QUuid a) { s.clear_history(a); }, 0, 1},
        Removal{"clear_all_history", [](TessaryStore& s, QUuid) { s.clear_all_history(); }, 0, 0},
        Removal{"clear_all", [](TessaryStore& s, QUuid) { s.clear_all(); }, -1, -1},
        Removal{"remove_domain", [](TessaryStore& s, QUuid a) { s.remove_domain(a); }, -1, 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(HistoryReplay, adds_journalled_measurements_in_order_once_and_only_to_known_domains)
{
    DataFolder folder;
    const MonitoredDomain a = sample_domain(u"https://a.example"_s);
    folder.write(u"domains.json"_s, DomainJson::encode_list({a}));
    QList<DomainMeasurement> m;
    for (int i = 0; i < 4; ++i)
        m.append(sample_measurement(test_epoch().addSecs(60 * i)));
    folder.write(history_file, HistoryJson::encode({{a.id, {m[0]}}}));
    QByteArray journal = HistoryJournal::header(FileIdentity::of_path(folder.file(history_file)));
    const std::pair<QUuid, DomainMeasurement> entries[] = {
        {a.id, m[1]}, {QUuid::createUuid(), m[2]}, {a.id, m[0]}, {a.id, m[3]}, {a.id, m[1]}};
    for (const auto& [id, measurement] : entries)
        HistoryJournal::append_entry(journal, id, measurement);
    journal += "{\"damaged\n";
    QByteArray torn;
    HistoryJournal::append_entry(torn, a.id, m[2]);
    folder.write(journal_file, journal + torn.first(torn.size() - 2));

    const LoadedStore loaded = on_disk(folder);
    EXPECT_TRUE(loaded.problems.isEmpty()) << loaded.problems.join(u' ').toStdString();
    ASSERT_EQ(loaded.domains.size(), 1);
    EXPECT_EQ(loaded.domains.first().measurements, (QList{m[3], m[1], m[0]}));
    ASSERT_EQ(loaded.warnings.size(), 2);
    EXPECT_TRUE(loaded.warnings[0].startsWith(u"measurement_history.journal: skipped line 7"_s));
    EXPECT_TRUE(loaded.warnings[1].contains(u"incomplete last line 8"_s));
    EXPECT_EQ(loaded.history_on_disk.journal_length, journal.size());
}

// A compaction replaced the history file but was stopped before it emptied the
// journal: what the journal holds is in the new file, or was meant to go.
TEST(HistoryReplay, a_journal_naming_an_earlier_history_file_is_left_out)
{
    DataFolder folder;
    const MonitoredDomain a = sample_domain(u"https://a.example"_s);
    folder.write(u"domains.json"_s, DomainJson::encode_list({a}));
    const DomainMeasurement kept = sample_measurement(test_epoch());
    folder.write(history_file, HistoryJson::encode({{a.id, {}}}));
    QByteArray journal = HistoryJournal::header(FileIdentity::of_path(folder.file(history_file)));
    HistoryJournal::append_entry(journal, a.id, sample_measurement(test_epoch().addSecs(60)));
    folder.write(journal_file, journal);
    folder.write(history_file, HistoryJson::encode({{a.id, {kept}}}));

    EXPECT_EQ(on_disk(folder).domains.first().measurements, QList{kept});
}

struct Kill {
    const char* operation;
    const char* call; // the system call that does not return
    int nth;
    qsizetype a_left;
    qsizetype b_left;
};

class KillTrials : public StoreFixture, public ::testing::WithParamInterface<Kill> {};

// A writer killed at any moment of an append or a compaction: everything saved
// before is there, B's cleared measurements never return once the journal says
// so, both files read without a problem, and the next start-up carries on the
// journal.
TEST_P(KillTrials, lose_nothing_saved_and_corrupt_nothing)
{
    const Kill& kill = GetParam();
    const MonitoredDomain a = sample_domain(u"https://a.example"_s);
    const MonitoredDomain b = sample_domain(u"https://b.example"_s);
    folder.write(u"domains.json"_s, DomainJson::encode_list({a, b}));
    QProcess child;
    child.start(QStringLiteral(KILLED_HISTORY_WRITER),
                {folder.path(), QString::fromLatin1(kill.call), QString::number(kill.nth),
                 QString::fromLatin1(kill.operation)});
    ASSERT_TRUE(child.waitForFinished(30'000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "exit code " << child.exitCode();

    const auto expect_counts = [&](qsizetype a_count) {
        const LoadedStore loaded = on_disk(folder);
        EXPECT_TRUE(loaded.problems.isEmpty()) << loaded.problems.join(u' ').toStdString();
        ASSERT_EQ(loaded.domains.size(), 2);
        EXPECT_EQ(loaded.domains[0].measurements.size(), a_count);
        EXPECT_EQ(loaded.domains[1].measurements.size(), kill.b_left);
    };
    expect_counts(kill.a_left);
    open();
    store->record_measurement(a.id, sample_measurement(clock.now()));
    store->flush_persistence();
    store.reset();
    expect_counts(kill.a_left + 1);
    EXPECT_TRUE(on_disk(folder).warnings.isEmpty());
    EXPECT_EQ(folder.entries(), (QStringList{u"domains.json"_s, u"hosting_profiles.json"_s,
                                             journal_file, history_file, u"tessary.lock"_s}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, KillTrials,
    ::testing::Values(
        Kill{"append", "journal_write", 1, 11, 5},      // 1.5 of 3 lines written
        Kill{"append", "journal_fdatasync", 1, 13, 5},  // written, not yet flushed
        Kill{"clear", "journal_write", 1, 10, 5},       // half the clearing line
        Kill{"clear", "journal_fdatasync", 1, 10, 0},   // the clearing line, not yet flushed
        Kill{"clear", "history_write", 1, 10, 0},       // half the new history file
        Kill{"clear", "history_fsync", 1, 10, 0},       // the new file written, not in place
        Kill{"clear", "history_fsync", 2, 10, 0},       // in place, the old journal left over
        Kill{"clear", "journal_write", 2, 10, 0},       // half the new journal
        Kill{"clear", "journal_fsync", 1, 10, 0},       // the new journal written, not in place
        Kill{"clear", "journal_fsync", 2, 10, 0}),      // both in place
    [](const auto& info) {
        return std::string(info.param.operation) + "_" + info.param.call + "_" +
               std::to_string(info.param.nth);
    });
// clang-format on

} // namespace
