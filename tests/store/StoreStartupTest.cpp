#include "StoreFixture.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

MonitoredDomain file_domain(const QString& url, bool is_active = true, bool is_archived = false,
                            bool is_pinned = false)
{
    MonitoredDomain d = sample_domain(url);
    d.is_active = is_active;
    d.is_archived = is_archived;
    d.is_pinned = is_pinned;
    return d;
}

using StoreStartup = StoreFixture;

TEST_F(StoreStartup, first_launch_creates_the_folder_and_starts_empty)
{
    open();
    EXPECT_TRUE(QDir(folder.path()).exists());
    EXPECT_TRUE(store->domains().isEmpty());
    EXPECT_FALSE(store->selected_domain_id());
    // Only the (pruned, empty) provider profiles are written.
    EXPECT_EQ(folder.entries(), (QStringList{u"hosting_profiles.json"_s, u"tessary.lock"_s}));
    EXPECT_EQ(folder.read(u"hosting_profiles.json"_s), "{}");
}

TEST_F(StoreStartup, history_is_merged_by_id_and_domains_without_an_entry_keep_their_own)
{
    MonitoredDomain first = file_domain(u"https://a.example"_s);
    MonitoredDomain second = file_domain(u"https://b.example"_s);
    const DomainMeasurement own = successful(0.3, 0);
    second.measurements = {own};
    folder.write(u"domains.json"_s, DomainJson::encode_list({first, second}));
    const QList<DomainMeasurement> history = {successful(0.2, 120), successful(0.1, 60)};
    folder.write(
        u"measurement_history.json"_s,
        HistoryJson::encode({{first.id, history}, {QUuid::createUuid(), {successful(1.0, 0)}}}));

    open();
    ASSERT_EQ(store->domains().size(), 2);
    EXPECT_EQ(store->domains()[0].measurements, history);
    EXPECT_EQ(store->domains()[1].measurements, QList<DomainMeasurement>{own});
    EXPECT_DOUBLE_EQ(*store->domains()[0].statistics.average_total_time, 0.15);
}

TEST_F(StoreStartup, a_repeated_id_keeps_its_first_record_also_on_the_next_save)
{
    MonitoredDomain first = file_domain(u"https://first.example"_s);
    MonitoredDomain copy = first;
    copy.url_string = u"https://copy.example"_s;
    folder.write(u"domains.json"_s, DomainJson::encode_list({first, copy}));

    open();
    ASSERT_EQ(store->domains().size(), 1);
    EXPECT_EQ(store->domains()[0].url_string, first.url_string);
    store->save_all_now();
    const auto saved = DomainJson::decode_list(folder.read(u"domains.json"_s));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 1);
}

TEST_F(StoreStartup, histories_inside_domains_json_migrate_to_the_history_file)
{
    MonitoredDomain a = file_domain(u"https://a.example"_s);
    MonitoredDomain b = file_domain(u"https://b.example"_s);
    a.measurements = {successful(0.2, 60), successful(0.4, 0)};
    b.measurements = {successful(9.0, 0)};
    folder.write(u"domains.json"_s, DomainJson::encode_list({a, b}));

    open();
    const auto domains = DomainJson::decode_list(folder.read(u"domains.json"_s));
    ASSERT_TRUE(domains);
    for (const MonitoredDomain& d : *domains)
        EXPECT_TRUE(d.measurements.isEmpty());
    const auto history = HistoryJson::decode(folder.read(u"measurement_history.json"_s));
    ASSERT_TRUE(history);
    EXPECT_EQ(history->size(), 2);
    EXPECT_EQ(history->value(a.id.toString(QUuid::WithoutBraces).toUpper()), a.measurements);
    EXPECT_EQ(history->value(b.id.toString(QUuid::WithoutBraces).toUpper()), b.measurements);
    EXPECT_EQ(store->domains()[1].statistics.outage_measurement_ids.size(), 1);
}

TEST_F(StoreStartup, sorts_pinned_first_then_by_host_and_selects_the_first_active_domain)
{
    const MonitoredDomain archived = file_domain(u"https://aaa.example"_s, true, true);
    const MonitoredDomain paused = file_domain(u"https://Beta.example/x"_s, false);
    const MonitoredDomain alpha = file_domain(u"https://alpha.example"_s);
    const MonitoredDomain pinned = file_domain(u"https://zulu.example"_s, true, false, true);
    folder.write(u"domains.json"_s, DomainJson::encode_list({paused, archived, alpha, pinned}));

    open();
    EXPECT_EQ(store->domains().first().id, pinned.id);
    EXPECT_EQ(store->domains().last().id, paused.id);
    EXPECT_EQ(store->active_domains().size(), 3);
    EXPECT_EQ(store->archived_domains().size(), 1);
    EXPECT_EQ(store->selected_domain_id(), pinned.id);

    store->set_selected_domain_id(archived.id);
    EXPECT_FALSE(store->selected_domain());
    store->set_selected_domain_id(alpha.id);
    ASSERT_TRUE(store->selected_domain());
    EXPECT_EQ(store->selected_domain()->id, alpha.id);
}

TEST_F(StoreStartup, a_second_writer_is_refused_with_the_holder_named_until_the_lock_is_released)
{
    open();
    folder.write(u"measurement_history.json.aZ09qQ"_s, "being written");
    auto environment = services.environment(folder.path());
    environment.lock_holder = u"other"_s;
    const auto second = TessaryStore::open(environment);
    ASSERT_FALSE(second);
    EXPECT_TRUE(
        second.error().contains(u"test (process %1)"_s.arg(QCoreApplication::applicationPid())))
        << second.error().toStdString();
    EXPECT_TRUE(second.error().contains(folder.path()));
    EXPECT_TRUE(folder.exists(u"measurement_history.json.aZ09qQ"_s)); // the holder's leftovers

    store.reset();
    EXPECT_TRUE(TessaryStore::open(environment));
}

TEST_F(StoreStartup, only_the_stores_own_temporary_files_are_removed_at_start_up)
{
    // clang-format off
    const struct { const char* file; bool removed; } cases[] = {
        {"measurement_history.json.aZ09qQ", true}, {"domains.json.XXXXXX", true},
        {"hosting_profiles.json.k2Jd8s", true}, {"deleted_domain_suggestions.json.000000", true},
        {"measurement_history.json.aZ09q", false}, {"measurement_history.json.aZ09qQx", false},
        {"measurement_history.json.aZ-9qQ", false}, {"notes.json.aZ09qQ", false},
        {"measurement_history.json.unreadable-20250131T091500Z", false},
        {"Domains.json.aZ09qQ", false}};
    // clang-format on
    for (const auto& c : cases)
        folder.write(QString::fromLatin1(c.file), "partial");
    QDir().mkpath(folder.file(u"domains.json.Folder"_s));
    folder.write(u"elsewhere"_s, "keep");
    ASSERT_TRUE(QFile::link(folder.file(u"elsewhere"_s), folder.file(u"domains.json.Linked"_s)));
    open();
    for (const auto& c : cases)
        EXPECT_EQ(folder.exists(QString::fromLatin1(c.file)), !c.removed) << c.file;
    // Leftovers that are no regular files stay.
    EXPECT_TRUE(QFileInfo(folder.file(u"domains.json.Folder"_s)).isDir());
    EXPECT_TRUE(QFileInfo(folder.file(u"domains.json.Linked"_s)).isSymLink());
    EXPECT_EQ(folder.read(u"elsewhere"_s), "keep");
}

// Files that exist but cannot be used must never be destroyed by the next save.
struct DamagedCase {
    bool corrupt_domains;
    bool corrupt_history;
    bool remove_domains;
};

class DamagedFiles : public StoreStartup, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFiles, are_moved_aside_before_the_first_save_replaces_them)
{
    const DamagedCase& c = GetParam();
    const MonitoredDomain d = file_domain(u"https://a.example"_s);
    const QByteArray domains_text =
        c.corrupt_domains ? QByteArrayLiteral("[{\"id\": truncated") : DomainJson::encode_list({d});
    const QByteArray history_text = c.corrupt_history
                                        ? QByteArrayLiteral("{\"x\":[{\"id\":1}]}")
                                        : HistoryJson::encode({{d.id, {successful(0.2, 0)}}});
    if (!c.remove_domains)
        folder.write(u"domains.json"_s, domains_text);
    folder.write(u"measurement_history.json"_s, history_text);

    open();
    store->save_all_now();

    QStringList aside;
    for (const QString& entry : folder.entries()) {
        if (entry.contains(u".unreadable-"_s))
            aside.append(entry);
    }
    const bool history_unused = c.corrupt_history || c.corrupt_domains || c.remove_domains;
    EXPECT_EQ(aside.size(), int(c.corrupt_domains) + int(history_unused))
        << aside.join(u' ').toStdString();
    for (const QString& name : aside) {
        const QByteArray original =
            name.startsWith(u"domains.json"_s) ? domains_text : history_text;
        EXPECT_EQ(folder.read(name), original) << name.toStdString();
    }
    EXPECT_TRUE(DomainJson::decode_list(folder.read(u"domains.json"_s)));
    EXPECT_TRUE(HistoryJson::decode(folder.read(u"measurement_history.json"_s)));

    // Only the first replacement moves a file aside.
    store->save_all_now();
    EXPECT_EQ(folder.entries().filter(u".unreadable-"_s).size(), aside.size());
}

// Corrupt domains, corrupt history, history without domains, both corrupt.
INSTANTIATE_TEST_SUITE_P(Cases, DamagedFiles,
                         ::testing::Values(DamagedCase{true, false, false},
                                           DamagedCase{false, true, false},
                                           DamagedCase{false, false, true},
                                           DamagedCase{true, true, false}));

// A journal left unread (written by a later version, say) survives a clear: it is
// moved aside before the clearing line or the compaction take its place.
TEST_F(StoreStartup, a_journal_left_unread_is_moved_aside_by_a_clear)
{
    const MonitoredDomain d = file_domain(u"https://a.example"_s);
    folder.write(u"domains.json"_s, DomainJson::encode_list({d}));
    folder.write(u"measurement_history.json"_s,
                 HistoryJson::encode({{d.id, {successful(0.2, 0)}}}));
    const QByteArray journal = "{\"written by\":\"a later version\"}\n";
    folder.write(u"measurement_history.journal"_s, journal);

    open();
    store->clear_history(d.id);
    store->save_all_now();
    const QStringList aside = folder.entries().filter(u"journal.unreadable-"_s);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read(aside[0]), journal);
}

TEST_F(StoreStartup, a_data_file_that_is_a_folder_or_undecodable_suggestions_are_moved_aside)
{
    QDir().mkpath(folder.file(u"domains.json"_s));
    folder.write(u"domains.json/keep.txt"_s, "precious");
    folder.write(u"deleted_domain_suggestions.json"_s, "[{\"id\":\"x\"}]");

    open();
    EXPECT_TRUE(store->domains().isEmpty());
    EXPECT_TRUE(store->deleted_domain_suggestions().isEmpty());
    store->save_configuration();
    store->save_deleted_domain_suggestions();
    const QStringList aside = folder.entries().filter(u".unreadable-"_s);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(folder.read(aside[0]), "[{\"id\":\"x\"}]"); // sorted: suggestions first
    EXPECT_EQ(folder.read(aside[1] + u"/keep.txt"_s), "precious");
    EXPECT_EQ(folder.read(u"domains.json"_s), "[]");
    EXPECT_EQ(folder.read(u"deleted_domain_suggestions.json"_s), "[]");
}

} // namespace
