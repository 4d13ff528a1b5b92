#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

class Clock;
class ScheduledCall;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class TessaryStore;
class UiDialogs;

// The top of the detail pane: host, provider, URL and how long the site's
// certificate has left, and the domain's actions
// (measure now, IP Info in Nestory, export, pin, clear, archive, delete).
class DomainDetailHeader : public QWidget {
    Q_OBJECT

public:
    DomainDetailHeader(TessaryStore& store, const MonitoredDomain& domain, UiDialogs& dialogs,
                       Clock& clock, QWidget* parent = nullptr);
    ~DomainDetailHeader() override;

    // Follows the store's record of the domain and its measuring state.
    void show_domain(const MonitoredDomain& domain);
    void show_running(bool is_running);
    void show_provider();

    // What the window's Domain menu and its shortcuts do: measure unless a
    // measurement runs; open the export menu (from the header when it shows).
    void measure_now();
    void show_export_menu();

    // Looks for an application that handles nestory: links; the IP Info button
    // is shown only when there is one.
    void refresh_nestory_availability();

    // nestory://lookup?value=HOST, or none when the URL has no host.
    static std::optional<QUrl> nestory_lookup_url(const QString& url_string);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Days left of the newest certificate the history knows, red under two weeks;
    // drawn again when the text next changes (local midnight, the expiry itself).
    void show_certificate();
    void open_in_nestory();
    void confirm_delete();

    TessaryStore& store_;
    UiDialogs& dialogs_;
    Clock& clock_;
    MonitoredDomain domain_;
    QDateTime certificate_expiry_;
    std::unique_ptr<ScheduledCall> certificate_redraw_;
    std::optional<QString> nestory_application_;
    QLabel* title_;
    QLabel* url_;
    QLabel* certificate_;
    QPushButton* measure_;
    QPushButton* ip_info_;
    QToolButton* export_;
    QToolButton* more_;
    QAction* pin_;
    QAction* clear_;
};
