#pragma once

#include "model/Clock.h"
#include "model/MonitoredDomain.h"
#include "ui/detail/MeasurementHistoryFilter.h"

#include <QStringList>
#include <QUuid>
#include <QWidget>

class DisturbancesPage;
class DomainDetailHeader;
class DomainSettingsBox;
class FullHistoryPage;
class MeasurementHistorySection;
class QStackedWidget;
class SummaryCard;
class TessaryStore;
class UiDialogs;

// The right-hand pane for one domain: header with its actions, the settings
// box, the five summary cards, the measurement history with its chart, and the
// full-history and disturbances pages that replace the pane on demand.
// Everything shown is read from the store and follows its changes; the pane
// holds only its view state (filter, URL selection, which page is shown).
class DomainDetailView : public QWidget {
    Q_OBJECT

public:
    DomainDetailView(TessaryStore& store, QUuid domain_id, UiDialogs& dialogs,
                     QWidget* parent = nullptr);
    // With the clock that tells "now" for the countdown and the lookback window
    // (the store's clock in tests).
    DomainDetailView(TessaryStore& store, QUuid domain_id, UiDialogs& dialogs, Clock& clock,
                     QWidget* parent = nullptr);
    ~DomainDetailView() override;

    QUuid domain_id() const { return domain_id_; }

    // View state.
    MeasurementHistoryFilter history_filter() const { return history_filter_; }
    void set_history_filter(MeasurementHistoryFilter filter);
    const QString& selected_history_url() const { return selected_history_url_; }
    void set_selected_history_url(const QString& url);
    bool shows_full_table() const { return shows_full_table_; }
    void set_shows_full_table(bool shows);
    bool shows_disturbances() const { return shows_disturbances_; }
    void set_shows_disturbances(bool shows);

    // The window's Domain menu: Measure Now, and the export menu.
    void measure_now();
    void show_export_menu();

    // The store's record of the domain, or the last one seen (without its
    // history) once it is gone. Valid until the store changes.
    const MonitoredDomain& current_domain() const;

Q_SIGNALS:
    // The domain's state changed ("Status: Outage"); a screen reader hears it
    // as the new name of the status card.
    void status_announced(const QString& text);

private:
    // What tells a change of the history without holding it.
    struct HistoryMark {
        qsizetype size = -1;
        QUuid newest;
        QUuid oldest;
        bool operator==(const HistoryMark&) const = default;
    };

    void on_store_changed();
    void remember(const MonitoredDomain& domain);
    static HistoryMark history_mark(const MonitoredDomain& domain);
    void refresh_all();
    void refresh_main_page();
    void refresh_sub_page();
    void name_status_card();
    void show_page();
    const QStringList& history_urls();

    TessaryStore& store_;
    QUuid domain_id_;
    UiDialogs& dialogs_;
    Clock& clock_;
    // The pane never keeps the store's history list: sharing it would make the
    // store copy the whole list on the next measurement. It keeps the record
    // without the history, and what tells a change of the history.
    MonitoredDomain last_seen_;
    HistoryMark last_history_;

    MeasurementHistoryFilter history_filter_ = MeasurementHistoryFilter::all;
    QString selected_history_url_;
    bool shows_full_table_ = false;
    bool shows_disturbances_ = false;

    // The distinct URLs of the whole history, updated from the new head of the
    // list when measurements were only added there.
    struct UrlCache {
        qsizetype size = -1;
        QUuid newest;
        QUuid oldest;
        QSet<QString> seen;
        QStringList sorted;
    } url_cache_;

    QStackedWidget* pages_;
    QWidget* main_page_;
    DomainDetailHeader* header_;
    DomainSettingsBox* settings_;
    QList<SummaryCard*> cards_;
    MeasurementHistorySection* history_;
    FullHistoryPage* full_history_ = nullptr;
    DisturbancesPage* disturbances_ = nullptr;
};
