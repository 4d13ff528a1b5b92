#include "ui/detail/DomainDetailHeader.h"

#include "i18n/L10n.h"
#include "model/CertificateValidity.h"
#include "model/Clock.h"
#include "model/DomainHost.h"
#include "store/TessaryStore.h"
#include "ui/AppColors.h"
#include "ui/AppShortcuts.h"
#include "ui/ExportFlow.h"
#include "ui/UiDialogs.h"
#include "ui/detail/SchemeHandlerLookup.h"
#include "ui/detail/SymbolIcons.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimeZone>
#include <QToolButton>
#include <QUrlQuery>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Store operations that may remove this pane run after the menu has closed, so
// the window can replace the pane without pulling it from under a running menu.
// The call is delivered to the application object, which outlives any pane, and
// is dropped when `context` is gone by then.
template <typename F>
void run_after_menu(QObject* context, F operation)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard = QPointer<QObject>(context), operation = std::move(operation)] {
            if (guard)
                operation();
        },
        Qt::QueuedConnection);
}

} // namespace

DomainDetailHeader::DomainDetailHeader(TessaryStore& store, const MonitoredDomain& domain,
                                       UiDialogs& dialogs, Clock& clock, QWidget* parent)
    : QWidget(parent), store_(store), dialogs_(dialogs), clock_(clock), title_(new QLabel(this)),
      url_(new QLabel(this)), certificate_(new QLabel(this)), measure_(new QPushButton(this)),
      ip_info_(new QPushButton(this)), export_(new QToolButton(this)), more_(new QToolButton(this))
{
    setObjectName(QStringLiteral("detail_header"));
    title_->setObjectName(QStringLiteral("header_title"));
    title_->setTextFormat(Qt::RichText);
    QFont title_font = title_->font();
    title_font.setPointSizeF(title_font.pointSizeF() * 1.45);
    title_font.setWeight(QFont::DemiBold);
    title_->setFont(title_font);
    url_->setObjectName(QStringLiteral("header_url"));
    QPalette secondary = url_->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    url_->setPalette(secondary);
    url_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    certificate_->setObjectName(QStringLiteral("header_certificate"));

    const QColor icon_color = palette().buttonText().color();
    measure_->setObjectName(QStringLiteral("measure_now_button"));
    measure_->setText(L10n::text(u"Measure Now", u"Nu meten"));
    measure_->setIcon(SymbolIcons::icon(QStringLiteral("play.fill"), AppColors::primary()));
    measure_->setToolTip(
        AppShortcuts::with_shortcut(measure_->text(), AppShortcuts::measure_now().first()));
    connect(measure_, &QPushButton::clicked, this, &DomainDetailHeader::measure_now);

    ip_info_->setObjectName(QStringLiteral("ip_info_button"));
    ip_info_->setText(QStringLiteral("IP Info"));
    ip_info_->setIcon(SymbolIcons::icon(QStringLiteral("network"), icon_color));
    ip_info_->setToolTip(L10n::text(u"Open this domain in Nestory", u"Open dit domein in Nestory"));
    ip_info_->setVisible(false);
    connect(ip_info_, &QPushButton::clicked, this, &DomainDetailHeader::open_in_nestory);

    auto* export_menu = new QMenu(export_);
    export_menu->setObjectName(QStringLiteral("export_menu"));
    QAction* json = export_menu->addAction(L10n::text(u"Export to JSON", u"Exporteer naar JSON"));
    json->setObjectName(QStringLiteral("export_json"));
    QAction* csv = export_menu->addAction(L10n::text(u"Export to CSV", u"Exporteer naar CSV"));
    csv->setObjectName(QStringLiteral("export_csv"));
    export_menu->addSeparator();
    QAction* pdf = export_menu->addAction(L10n::text(u"PDF Report", u"PDF-rapportage"));
    pdf->setObjectName(QStringLiteral("export_pdf"));
    const auto current = [this] {
        const MonitoredDomain* stored = store_.domain_with_id(domain_.id);
        return stored != nullptr ? *stored : domain_;
    };
    connect(json, &QAction::triggered, this,
            [this, current] { ExportFlow::export_json(dialogs_, window(), current()); });
    connect(csv, &QAction::triggered, this,
            [this, current] { ExportFlow::export_csv(dialogs_, window(), current()); });
    connect(pdf, &QAction::triggered, this,
            [this, current] { ExportFlow::export_pdf(dialogs_, window(), current()); });
    export_->setObjectName(QStringLiteral("export_button"));
    export_->setMenu(export_menu);
    export_->setPopupMode(QToolButton::InstantPopup);
    export_->setIcon(SymbolIcons::icon(QStringLiteral("square.and.arrow.up"), icon_color));
    export_->setToolTip(AppShortcuts::with_shortcut(
        L10n::text(u"Export domain history", u"Domeingeschiedenis exporteren"),
        AppShortcuts::export_history()));
    export_->setAccessibleName(L10n::text(u"Export", u"Exporteren"));
    export_->setAutoRaise(true);

    auto* more_menu = new QMenu(more_);
    more_menu->setObjectName(QStringLiteral("more_menu"));
    pin_ = more_menu->addAction(QString());
    pin_->setObjectName(QStringLiteral("pin_action"));
    more_menu->addSeparator();
    clear_ = more_menu->addAction(L10n::text(u"Clear History", u"Geschiedenis wissen"));
    SymbolIcons::mark_destructive(clear_, QStringLiteral("clear"));
    clear_->setObjectName(QStringLiteral("clear_history_action"));
    QAction* archive =
        more_menu->addAction(SymbolIcons::icon(QStringLiteral("archivebox"), icon_color),
                             L10n::text(u"Archive Domain", u"Domein archiveren"));
    archive->setObjectName(QStringLiteral("archive_action"));
    QAction* remove = more_menu->addAction(L10n::text(u"Delete Domain", u"Domein verwijderen"));
    SymbolIcons::mark_destructive(remove, QStringLiteral("trash"));
    remove->setObjectName(QStringLiteral("delete_action"));
    const QUuid id = domain.id;
    TessaryStore* store_pointer = &store_;
    connect(pin_, &QAction::triggered, this, [this, id, store_pointer] {
        run_after_menu(this, [id, store_pointer] { store_pointer->toggle_pin(id); });
    });
    connect(clear_, &QAction::triggered, this, [this, id, store_pointer] {
        run_after_menu(this, [id, store_pointer] { store_pointer->clear_history(id); });
    });
    connect(archive, &QAction::triggered, this, [this, id, store_pointer] {
        run_after_menu(this, [id, store_pointer] { store_pointer->archive_domain(id); });
    });
    connect(remove, &QAction::triggered, this,
            [this] { run_after_menu(this, [this] { confirm_delete(); }); });
    more_->setObjectName(QStringLiteral("more_button"));
    more_->setMenu(more_menu);
    more_->setPopupMode(QToolButton::InstantPopup);
    more_->setIcon(SymbolIcons::icon(QStringLiteral("ellipsis.circle"), icon_color));
    more_->setToolTip(L10n::text(u"More", u"Meer"));
    more_->setAccessibleName(L10n::text(u"More actions", u"Meer acties"));
    more_->setAutoRaise(true);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(title_);
    text->addWidget(url_);
    text->addWidget(certificate_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 14, 20, 12);
    row->setSpacing(8);
    row->addLayout(text, 1);
    row->addWidget(measure_);
    row->addWidget(ip_info_);
    row->addWidget(export_);
    row->addWidget(more_);

    show_domain(domain);
    show_running(store.running_domain_ids().contains(domain.id));
}

DomainDetailHeader::~DomainDetailHeader() = default;

void DomainDetailHeader::show_domain(const MonitoredDomain& domain)
{
    // Without the history: a copy sharing the store's list would make the
    // store copy all of it on its next measurement.
    domain_ = domain;
    domain_.measurements = {};
    url_->setText(domain.url_string);
    certificate_expiry_ = latest_certificate_expiry(domain.measurements);
    show_certificate();
    pin_->setText(domain.is_pinned ? L10n::text(u"Unpin Domain", u"Domein losmaken")
                                   : L10n::text(u"Pin Domain", u"Domein vastmaken"));
    pin_->setIcon(
        SymbolIcons::icon(domain.is_pinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"),
                          palette().buttonText().color()));
    clear_->setEnabled(!domain.measurements.isEmpty());
    show_provider();
}

void DomainDetailHeader::show_certificate()
{
    certificate_redraw_.reset();
    certificate_->setVisible(certificate_expiry_.isValid());
    if (!certificate_expiry_.isValid())
        return;
    const QDateTime now = clock_.now();
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const CertificateValidity validity = CertificateValidity::at(certificate_expiry_, now, zone);
    certificate_->setText(validity.description());
    QPalette palette = certificate_->palette();
    palette.setColor(QPalette::WindowText,
                     validity.is_expiring_soon() ? AppColors::red() : AppColors::secondary());
    certificate_->setPalette(palette);

    // The days left change at local midnight, "expires" turns "expired" at the instant.
    QDateTime next_change = now.toTimeZone(zone).date().addDays(1).startOfDay(zone);
    if (certificate_expiry_ > now)
        next_change = std::min(next_change, certificate_expiry_);
    certificate_redraw_ =
        clock_.call_after(now.msecsTo(next_change), [this] { show_certificate(); });
}

void DomainDetailHeader::show_provider()
{
    QString html = domain_host(domain_.url_string).toHtmlEscaped();
    if (const std::optional<QString> provider = store_.display_provider_name(domain_))
        html += QStringLiteral("<span style=\"color:%1\"> (%2)</span>")
                    .arg(AppColors::secondary().name(), provider->toHtmlEscaped());
    if (html != title_->text())
        title_->setText(html);
}

void DomainDetailHeader::show_running(bool is_running)
{
    measure_->setEnabled(!is_running);
}

void DomainDetailHeader::measure_now()
{
    if (measure_->isEnabled())
        store_.measure_now(domain_.id);
}

void DomainDetailHeader::show_export_menu()
{
    QMenu* menu = export_->menu();
    // On a sub-page the header is hidden: the menu opens at the window's top right.
    const QPoint at =
        export_->isVisible()
            ? export_->mapToGlobal(export_->rect().bottomLeft())
            : window()->mapToGlobal(QPoint(window()->width() - menu->sizeHint().width() - 20, 60));
    menu->popup(at);
    menu->setActiveAction(menu->actions().value(0));
}

void DomainDetailHeader::showEvent(QShowEvent* event)
{
    refresh_nestory_availability();
    QWidget::showEvent(event);
}

void DomainDetailHeader::refresh_nestory_availability()
{
    nestory_application_ = SchemeHandlerLookup::find_handler(QStringLiteral("nestory"));
    ip_info_->setVisible(nestory_application_.has_value());
}

std::optional<QUrl> DomainDetailHeader::nestory_lookup_url(const QString& url_string)
{
    const QUrl url(url_string, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    QUrl lookup;
    lookup.setScheme(QStringLiteral("nestory"));
    lookup.setHost(QStringLiteral("lookup"));
    QUrlQuery query;
    // The host in its ASCII form: nothing in it needs encoding in a query.
    query.addQueryItem(QStringLiteral("value"), url.host(QUrl::EncodeUnicode));
    lookup.setQuery(query);
    return lookup;
}

void DomainDetailHeader::open_in_nestory()
{
    if (!nestory_application_)
        return;
    if (const std::optional<QUrl> url = nestory_lookup_url(domain_.url_string))
        dialogs_.open_url(*url);
}

void DomainDetailHeader::confirm_delete()
{
    const QString host = domain_host(domain_.url_string);
    UiDialogs::Confirmation confirmation;
    confirmation.title = L10n::text(u"Delete ", u"") + host + L10n::text(u"?", u" verwijderen?");
    confirmation.message = L10n::text(u"The domain and all stored measurements will be removed.",
                                      u"Het domein en alle opgeslagen metingen worden verwijderd.");
    confirmation.action_title = L10n::text(u"Delete Domain", u"Domein verwijderen");
    confirmation.destructive = true;
    const QUuid id = domain_.id;
    TessaryStore& store = store_;
    if (dialogs_.confirm(window(), confirmation))
        store.remove_domain(id); // the pane may be gone after this
}
