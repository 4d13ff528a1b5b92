#include "StoreFixture.h"
#include "i18n/L10n.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/SuggestionJson.h"

using namespace Qt::StringLiterals;

namespace {

const QString duplicate_message = u"This domain is already being monitored."_s;
const QString invalid_message = u"Enter a valid domain or URL."_s;

class DomainOperations : public StoreFixture {
protected:
    void SetUp() override
    {
        L10n::set_selected_language(AppLanguage::english);
        open();
    }

    std::optional<QString> try_add(const QString& url)
    {
        return store->add_domain(url, 60, 48, QString(), true, false);
    }

    QList<MonitoredDomain> saved_domains() const
    {
        return DomainJson::decode_list(folder.read(u"domains.json"_s)).value();
    }

    // The history file alone, as the store leaves it at a clean stop.
    QHash<QString, QList<DomainMeasurement>> saved_history() const
    {
        store->close_persistence();
        return HistoryJson::decode(folder.read(u"measurement_history.json"_s)).value();
    }

    static QString key(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

    // One recorded measurement for `id`, finished now.
    void measure(const QUuid& id)
    {
        store->measure_now(id);
        clock.advance_by(0);
        while (source.pending_count() > 0)
            source.complete_with(0.25);
    }
};

TEST_F(DomainOperations, invalid_input_and_the_same_domain_typed_again_are_refused)
{
    for (const QString& input : {u"   "_s, u"not a url"_s, QString()})
        EXPECT_EQ(try_add(input), invalid_message) << input.toStdString();
    EXPECT_FALSE(folder.exists(u"domains.json"_s));
    EXPECT_FALSE(try_add(u"example.com"_s));
    EXPECT_EQ(try_add(u"HTTPS://WWW.Example.com"_s), duplicate_message);
    EXPECT_FALSE(try_add(u"https://example.com/"_s)); // a different URL key
    EXPECT_EQ(store->domains().size(), 2);
}

TEST_F(DomainOperations, an_added_domain_is_normalised_bounded_selected_and_saved_at_once)
{
    ASSERT_FALSE(
        store->add_domain(u"  http://www.Example.com/status \n"_s, 10, 0, u"  \t "_s, true, true));
    ASSERT_EQ(store->domains().size(), 1);
    const MonitoredDomain& d = store->domains().first();
    EXPECT_EQ(d.url_string, u"https://example.com/status"_s);
    EXPECT_EQ(d.interval_seconds, 20);
    EXPECT_EQ(d.user_agent, u"Tessarybot"_s);
    EXPECT_EQ(store->selected_domain_id(), d.id);
    EXPECT_EQ(saved_domains().size(), 1);
    EXPECT_FALSE(folder.exists(u"measurement_history.json"_s));
    clock.advance_by(0);
    EXPECT_EQ(source.started_count(), 1);
}

TEST_F(DomainOperations, archiving_keeps_the_history_and_adding_the_url_again_revives_it)
{
    const QUuid id = add(u"example.com"_s, true);
    measure(id);
    store->toggle_pin(id);
    store->archive_domain(id);
    EXPECT_FALSE(store->selected_domain_id());
    EXPECT_FALSE(domain(id).is_pinned);
    EXPECT_TRUE(saved_domains().first().is_archived);
    EXPECT_EQ(saved_history().value(key(id)).size(), 1);
    ASSERT_EQ(store->restore_suggestions().size(), 1);
    EXPECT_TRUE(store->restore_suggestions().first().is_archived);

    ASSERT_FALSE(store->add_domain(u"www.example.com"_s, 300, 12, u"Bot"_s, true, false));
    const MonitoredDomain* revived = store->domain_with_id(id);
    EXPECT_FALSE(revived->is_archived);
    EXPECT_FALSE(revived->is_pinned);
    EXPECT_EQ(revived->measurements.size(), 1);
    EXPECT_EQ(revived->interval_seconds, 300);
    EXPECT_EQ(revived->user_agent, u"Bot"_s);
    EXPECT_EQ(store->selected_domain_id(), id);
    clock.advance_by(0);
    EXPECT_EQ(source.pending_count(), 1u);
}

TEST_F(DomainOperations, removing_drops_the_domain_from_both_files_and_leaves_a_suggestion)
{
    const QUuid id = add(u"example.com"_s, true);
    measure(id);
    store->remove_domain(id);
    EXPECT_TRUE(saved_domains().isEmpty());
    EXPECT_FALSE(saved_history().contains(key(id)));
    const auto suggestions =
        SuggestionJson::decode_list(folder.read(u"deleted_domain_suggestions.json"_s));
    ASSERT_TRUE(suggestions);
    ASSERT_EQ(suggestions->size(), 1);
    EXPECT_EQ(suggestions->first().id, id);

    // Adding it again makes a new domain without history, and the suggestion goes.
    ASSERT_FALSE(try_add(u"example.com"_s));
    EXPECT_NE(store->domains().first().id, id);
    EXPECT_TRUE(store->domains().first().measurements.isEmpty());
    EXPECT_TRUE(store->deleted_domain_suggestions().isEmpty());
    EXPECT_EQ(folder.read(u"deleted_domain_suggestions.json"_s), "[]");
}

TEST_F(DomainOperations, archived_suggestions_come_before_deleted_ones_of_the_same_host)
{
    const QUuid bx = add(u"b.example/x"_s, true);
    const QUuid by = add(u"b.example/y"_s, true);
    const QUuid a = add(u"a.example"_s, true);
    store->remove_domain(bx);
    store->archive_domain(by);
    store->archive_domain(a);
    QStringList order;
    for (const DomainRestoreSuggestion& s : store->restore_suggestions())
        order.append(s.url_string + (s.is_archived ? u" archived"_s : QString()));
    EXPECT_EQ(order, (QStringList{u"https://a.example archived"_s,
                                  u"https://b.example/y archived"_s, u"https://b.example/x"_s}));
}

TEST_F(DomainOperations, selection_follows_each_operation)
{
    const QUuid a = add(u"a.example"_s, true);
    const QUuid b = add(u"b.example"_s, true);
    EXPECT_EQ(store->selected_domain_id(), b);
    store->toggle_pin(a);
    store->clear_history(a);
    EXPECT_EQ(store->selected_domain_id(), b);
    store->archive_domain(b);
    EXPECT_EQ(store->selected_domain_id(), a);
    store->remove_domain(a);
    EXPECT_FALSE(store->selected_domain_id());
}

TEST_F(DomainOperations, archive_all_takes_paused_domains_too_and_clears_the_selection)
{
    add(u"a.example"_s, true);
    add(u"b.example"_s);
    store->archive_all();
    EXPECT_TRUE(store->active_domains().isEmpty());
    EXPECT_EQ(store->archived_domains().size(), 2);
    EXPECT_FALSE(store->selected_domain_id());
    EXPECT_TRUE(store->running_domain_ids().isEmpty());
}

TEST_F(DomainOperations, clear_all_history_keeps_archived_histories)
{
    const QUuid a = add(u"a.example"_s, true);
    const QUuid b = add(u"b.example"_s, true);
    measure(a);
    measure(b);
    store->archive_domain(b);
    const qsizetype archived_count = domain(b).measurements.size();
    ASSERT_GT(archived_count, 0);
    store->clear_all_history();
    EXPECT_TRUE(domain(a).measurements.isEmpty());
    EXPECT_EQ(saved_history().value(key(b)).size(), archived_count);
    EXPECT_TRUE(saved_history().value(key(a)).isEmpty());
}

TEST_F(DomainOperations, clear_all_remembers_every_domain_and_empties_both_files)
{
    add(u"a.example"_s, true);
    store->archive_domain(add(u"b.example"_s, true));
    store->clear_all();
    EXPECT_TRUE(store->domains().isEmpty());
    EXPECT_FALSE(store->selected_domain_id());
    EXPECT_EQ(folder.read(u"domains.json"_s), "[]");
    EXPECT_TRUE(saved_history().isEmpty());
    const QList<DomainRestoreSuggestion> suggestions = store->restore_suggestions();
    ASSERT_EQ(suggestions.size(), 2);
    for (const DomainRestoreSuggestion& s : suggestions)
        EXPECT_FALSE(s.is_archived);

    open();
    EXPECT_EQ(store->restore_suggestions().size(), 2);
}

TEST_F(DomainOperations, an_edit_normalises_the_url_and_restarts_the_schedule)
{
    const QUuid id = add(u"a.example"_s, true);
    measure(id);
    MonitoredDomain edited = domain(id);
    edited.url_string = u"www.c.example/path"_s;
    edited.interval_seconds = 20;
    edited.user_agent = u"  Agent/2 "_s;
    store->update_domain(edited);
    EXPECT_EQ(domain(id).url_string, u"https://c.example/path"_s);
    EXPECT_EQ(domain(id).user_agent, u"Agent/2"_s);
    EXPECT_EQ(domain(id).measurements.size(), 1);

    // The next request goes to the edited address, with the edited agent.
    clock.advance_to(*store->next_measurement_date(id));
    ASSERT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(source.next().url_string, u"https://c.example/path"_s);
    EXPECT_EQ(source.next().user_agent, u"Agent/2"_s);
    EXPECT_LE(domain(id).measurements.first().measured_at.secsTo(clock.now()), 21);
}

TEST_F(DomainOperations, a_measurement_returning_after_clear_history_lands_in_the_empty_history)
{
    const QUuid id = add(u"a.example"_s, true);
    measure(id);
    store->measure_now(id);
    store->clear_history(id);
    source.complete_with(0.5);
    ASSERT_EQ(domain(id).measurements.size(), 1);
    EXPECT_EQ(domain(id).measurements.first().total_time, 0.5);
}

} // namespace
