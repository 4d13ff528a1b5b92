#include "ui/detail/DomainDetailView.h"

#include "i18n/L10n.h"
#include "store/TessaryStore.h"
#include "ui/Divider.h"
#include "ui/detail/CountdownRow.h"
#include "ui/detail/DisturbancesPage.h"
#include "ui/detail/DomainDetailHeader.h"
#include "ui/detail/DomainSettingsBox.h"
#include "ui/detail/DomainStatus.h"
#include "ui/detail/FullHistoryPage.h"
#include "ui/detail/MeasurementHistorySection.h"
#include "ui/detail/SummaryCard.h"
#include "ui/detail/SummaryCards.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

MonitoredDomain without_history(const MonitoredDomain& domain)
{
    MonitoredDomain copy = domain;
    copy.measurements = {};
    return copy;
}

} // namespace

DomainDetailView::DomainDetailView(TessaryStore& store, QUuid domain_id, UiDialogs& dialogs,
                                   QWidget* parent)
    : DomainDetailView(store, domain_id, dialogs, Clock::system(), parent)
{}

DomainDetailView::DomainDetailView(TessaryStore& store, QUuid domain_id, UiDialogs& dialogs,
                                   Clock& clock, QWidget* parent)
    : QWidget(parent), store_(store), domain_id_(domain_id), dialogs_(dialogs), clock_(clock),
      pages_(new QStackedWidget(this)), main_page_(new QWidget(pages_))
{
    setObjectName(QStringLiteral("domain_detail_view"));
    last_seen_.id = domain_id;
    if (const MonitoredDomain* found = store.domain_with_id(domain_id))
        remember(*found);
    main_page_->setObjectName(QStringLiteral("main_page"));
    header_ = new DomainDetailHeader(store, current_domain(), dialogs, clock, main_page_);
    settings_ = new DomainSettingsBox(store, current_domain(), clock, main_page_);

    // Made in reading order, which is the order Tab follows.
    auto* cards = new QHBoxLayout;
    cards->setSpacing(12);
    for (int i = 0; i < 5; ++i) {
        auto* card = new SummaryCard(main_page_);
        cards_.append(card);
        cards->addWidget(card, 1, Qt::AlignVCenter);
    }
    connect(cards_.last(), &SummaryCard::action_triggered, this,
            [this] { set_shows_disturbances(true); });
    history_ = new MeasurementHistorySection(main_page_);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("main_content"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(16);
    column->addWidget(settings_);
    column->addLayout(cards);
    column->addWidget(history_);
    column->addStretch(1);
    auto* scroll = new QScrollArea(main_page_);
    scroll->setObjectName(QStringLiteral("main_scroll_area"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // No stop of its own for Tab: it scrolls to whatever inside has the focus.
    scroll->setFocusPolicy(Qt::NoFocus);

    auto* main_column = new QVBoxLayout(main_page_);
    main_column->setContentsMargins(0, 0, 0, 0);
    main_column->setSpacing(0);
    main_column->addWidget(header_);
    main_column->addWidget(make_divider(main_page_));
    main_column->addWidget(scroll, 1);
    pages_->addWidget(main_page_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    connect(history_, &MeasurementHistorySection::filter_chosen, this,
            &DomainDetailView::set_history_filter);
    connect(history_, &MeasurementHistorySection::url_chosen, this,
            &DomainDetailView::set_selected_history_url);
    connect(history_, &MeasurementHistorySection::show_full_table_requested, this,
            [this] { set_shows_full_table(true); });

    connect(&store, &TessaryStore::domains_changed, this, &DomainDetailView::on_store_changed);
    connect(&store, &TessaryStore::running_domain_ids_changed, this, [this] {
        const bool running = store_.running_domain_ids().contains(domain_id_);
        header_->show_running(running);
        settings_->countdown().refresh();
        cards_.first()->set_content(summary_cards(current_domain(), running).first());
    });
    connect(&store, &TessaryStore::hosting_profiles_changed, this,
            [this] { header_->show_provider(); });

    refresh_all();
}

DomainDetailView::~DomainDetailView() = default;

void DomainDetailView::on_store_changed()
{
    const MonitoredDomain* found = store_.domain_with_id(domain_id_);
    // Once removed from the store the pane keeps showing the last record until
    // the window replaces it.
    if (found == nullptr)
        return;
    if (history_mark(*found) == last_history_ && without_history(*found) == last_seen_)
        return;
    remember(*found);
    refresh_all();
}

DomainDetailView::HistoryMark DomainDetailView::history_mark(const MonitoredDomain& domain)
{
    const QList<DomainMeasurement>& all = domain.measurements;
    return {all.size(), all.isEmpty() ? QUuid() : all.first().id,
            all.isEmpty() ? QUuid() : all.last().id};
}

void DomainDetailView::remember(const MonitoredDomain& domain)
{
    last_seen_ = without_history(domain);
    last_history_ = history_mark(domain);
}

const MonitoredDomain& DomainDetailView::current_domain() const
{
    const MonitoredDomain* found = store_.domain_with_id(domain_id_);
    return found != nullptr ? *found : last_seen_;
}

void DomainDetailView::refresh_all()
{
    header_->show_domain(current_domain());
    settings_->show_stored_settings(current_domain());
    settings_->countdown().refresh();
    refresh_main_page();
    refresh_sub_page();
}

const QStringList& DomainDetailView::history_urls()
{
    const QList<DomainMeasurement>& all = current_domain().measurements;
    UrlCache& cache = url_cache_;
    const qsizetype added = all.size() - cache.size;
    const bool only_new_at_head = cache.size > 0 && added >= 0 && all[added].id == cache.newest &&
                                  all.last().id == cache.oldest;
    if (!only_new_at_head) {
        cache = UrlCache();
        cache.size = 0;
    }
    const qsizetype fresh = only_new_at_head ? added : all.size();
    bool grew = false;
    for (qsizetype i = 0; i < fresh; ++i) {
        const std::optional<QString>& url = all[i].url_string;
        if (url && !cache.seen.contains(*url)) {
            cache.seen.insert(*url);
            cache.sorted.append(*url);
            grew = true;
        }
    }
    if (grew)
        std::sort(cache.sorted.begin(), cache.sorted.end());
    cache.size = all.size();
    cache.newest = all.isEmpty() ? QUuid() : all.first().id;
    cache.oldest = all.isEmpty() ? QUuid() : all.last().id;
    return cache.sorted;
}

void DomainDetailView::refresh_main_page()
{
    const bool running = store_.running_domain_ids().contains(domain_id_);
    const MonitoredDomain& current = current_domain();
    const QList<SummaryCardContent> contents = summary_cards(current, running);
    for (qsizetype i = 0; i < cards_.size(); ++i)
        cards_[i]->set_content(contents[i]);
    name_status_card();
    const QStringList& urls = history_urls();
    if (!selected_history_url_.isEmpty() && !urls.contains(selected_history_url_))
        selected_history_url_.clear(); // its measurements are gone (history cleared)
    history_->show_history(current, current.measurements_within_lookback(clock_.now()),
                           history_filter_, selected_history_url_, urls);
}

void DomainDetailView::name_status_card()
{
    // Named after the domain's state without the passing "Measuring", so a
    // screen reader hears a change such as "Online" to "Outage" once: Qt sends
    // the change of the name as an accessibility event.
    SummaryCard* card = cards_.first();
    const QString name = L10n::text(u"Status", u"Status") + QStringLiteral(": ") +
                         status_text(domain_status(current_domain(), false));
    if (card->accessibleName() == name)
        return;
    const bool is_change = !card->accessibleName().isEmpty();
    card->setAccessibleName(name);
    if (is_change)
        Q_EMIT status_announced(name);
}

void DomainDetailView::measure_now()
{
    header_->measure_now();
}

void DomainDetailView::show_export_menu()
{
    header_->show_export_menu();
}

void DomainDetailView::refresh_sub_page()
{
    if (shows_disturbances_) {
        if (disturbances_ == nullptr) {
            disturbances_ = new DisturbancesPage(pages_);
            pages_->addWidget(disturbances_);
            connect(disturbances_, &DisturbancesPage::back_requested, this,
                    [this] { set_shows_disturbances(false); });
        }
        disturbances_->show_domain(current_domain());
    } else if (shows_full_table_) {
        if (full_history_ == nullptr) {
            full_history_ = new FullHistoryPage(pages_);
            pages_->addWidget(full_history_);
            connect(full_history_, &FullHistoryPage::back_requested, this,
                    [this] { set_shows_full_table(false); });
            connect(full_history_, &FullHistoryPage::filter_chosen, this,
                    &DomainDetailView::set_history_filter);
            connect(full_history_, &FullHistoryPage::url_chosen, this,
                    &DomainDetailView::set_selected_history_url);
        }
        const QStringList& urls = history_urls();
        TessaryStore* store = &store_;
        const QUuid id = domain_id_;
        full_history_->show_history(
            current_domain(),
            [store, id]() -> const QList<DomainMeasurement>* {
                const MonitoredDomain* found = store->domain_with_id(id);
                return found != nullptr ? &found->measurements : nullptr;
            },
            history_filter_, selected_history_url_, urls);
    }
    show_page();
}

void DomainDetailView::show_page()
{
    if (shows_disturbances_ && disturbances_ != nullptr)
        pages_->setCurrentWidget(disturbances_);
    else if (shows_full_table_ && full_history_ != nullptr)
        pages_->setCurrentWidget(full_history_);
    else
        pages_->setCurrentWidget(main_page_);
}

void DomainDetailView::set_history_filter(MeasurementHistoryFilter filter)
{
    if (filter == history_filter_)
        return;
    history_filter_ = filter;
    refresh_main_page();
    refresh_sub_page();
}

void DomainDetailView::set_selected_history_url(const QString& url)
{
    if (url == selected_history_url_)
        return;
    selected_history_url_ = url;
    refresh_main_page();
    refresh_sub_page();
}

void DomainDetailView::set_shows_full_table(bool shows)
{
    if (shows == shows_full_table_)
        return;
    shows_full_table_ = shows;
    refresh_sub_page();
}

void DomainDetailView::set_shows_disturbances(bool shows)
{
    if (shows == shows_disturbances_)
        return;
    shows_disturbances_ = shows;
    refresh_sub_page();
}
