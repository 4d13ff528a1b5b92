#include "ui/MainWindow.h"

#include "i18n/AppLanguage.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"
#include "model/Clock.h"
#include "model/DomainHost.h"
#include "store/TessaryStore.h"
#include "ui/AddDomainDialog.h"
#include "ui/AppColors.h"
#include "ui/AppIcons.h"
#include "ui/AppLinks.h"
#include "ui/AppShortcuts.h"
#include "ui/AutostartEntry.h"
#include "ui/Divider.h"
#include "ui/QtTranslations.h"
#include "ui/SidebarView.h"
#include "ui/UiDialogs.h"
#include "ui/detail/DomainDetailView.h"
#include "ui/detail/SymbolIcons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString geometry_key = QStringLiteral("window_geometry");
const QString splitter_key = QStringLiteral("window_splitter");
constexpr qint64 time_refresh_ms = 60'000;
constexpr int sidebar_ideal_width = 270;

QString html_escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

MainWindow::MainWindow(TessaryStore& store, UiDialogs& dialogs, Clock& clock, QWidget* parent)
    : QMainWindow(parent), store_(store), dialogs_(dialogs), clock_(clock)
{
    setObjectName(QStringLiteral("main_window"));
    setWindowTitle(QStringLiteral("Tessary"));
    setWindowIcon(AppIcons::icon(AppIcons::application));
    setMinimumSize(minimum_width, minimum_height);
    setAttribute(Qt::WA_WindowPropagation);

    QPalette accented = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        accented.setColor(group, QPalette::Highlight, AppColors::primary());
        accented.setColor(group, QPalette::HighlightedText, Qt::white);
        accented.setColor(group, QPalette::Link, AppColors::primary());
    }
    setPalette(accented);

    build_menus();
    build_content();

    const QByteArray geometry = Preferences::value(geometry_key).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1200, 760);

    connect(&store_, &TessaryStore::selected_domain_id_changed, this, &MainWindow::update_detail);
    connect(&store_, &TessaryStore::domains_changed, this, &MainWindow::update_detail);
    connect(&store_, &TessaryStore::is_presenting_add_domain_changed, this,
            &MainWindow::update_add_domain_form);

    // The history reaches the disk when Tessary loses focus and before it quits.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    store_.flush_persistence();
            });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        save_window_state();
        store_.flush_persistence();
    });

    schedule_time_refresh();
    update_add_domain_form();
}

MainWindow::~MainWindow() = default;

void MainWindow::build_menus()
{
    for (QMenu* menu : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete menu;
    menuBar()->clear();

    QMenu* file = menuBar()->addMenu(L10n::text(u"&File", u"&Bestand"));
    file->setObjectName(QStringLiteral("file_menu"));
    QAction* add = file->addAction(AppIcons::icon(AppIcons::add),
                                   L10n::text(u"Add Domain", u"Domein toevoegen"));
    add->setObjectName(QStringLiteral("add_domain_action"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(add, &QAction::triggered, this, [this] { store_.set_is_presenting_add_domain(true); });
    file->addSeparator();
    QAction* login = file->addAction(L10n::text(u"Start at Login", u"Starten bij inloggen"));
    login->setObjectName(QStringLiteral("start_at_login_action"));
    login->setCheckable(true);
    login->setChecked(AutostartEntry::exists());
    connect(login, &QAction::toggled, this,
            [this, login](bool enabled) { set_start_at_login(*login, enabled); });
    file->addSeparator();
    QAction* quit = file->addAction(L10n::text(u"Quit", u"Stoppen"));
    quit->setObjectName(QStringLiteral("quit_action"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    // Acts on the shown domain; disabled while none is shown.
    QMenu* domain = menuBar()->addMenu(L10n::text(u"&Domain", u"&Domein"));
    domain->setObjectName(QStringLiteral("domain_menu"));
    measure_now_action_ = domain->addAction(L10n::text(u"Measure Now", u"Nu meten"));
    measure_now_action_->setObjectName(QStringLiteral("measure_now_action"));
    measure_now_action_->setShortcuts(AppShortcuts::measure_now());
    connect(measure_now_action_, &QAction::triggered, this, [this] {
        if (auto* view = qobject_cast<DomainDetailView*>(detail_view_))
            view->measure_now();
    });
    export_action_ = domain->addAction(L10n::text(u"Export...", u"Exporteren..."));
    export_action_->setObjectName(QStringLiteral("export_action"));
    export_action_->setShortcut(AppShortcuts::export_history());
    connect(export_action_, &QAction::triggered, this, [this] {
        if (auto* view = qobject_cast<DomainDetailView*>(detail_view_))
            view->show_export_menu();
    });

    // The current choice carries a check mark, the others nothing.
    QMenu* language = menuBar()->addMenu(L10n::text(u"Language", u"Taal"));
    language->setObjectName(QStringLiteral("language_menu"));
    const QIcon check = SymbolIcons::icon(QStringLiteral("checkmark"), palette().text().color());
    const AppLanguage current = L10n::selected_language();
    for (int i = 0; i < int(all_app_languages.size()); ++i) {
        const AppLanguage choice = all_app_languages[size_t(i)];
        QAction* item = language->addAction(app_language_menu_title(choice));
        item->setObjectName(QStringLiteral("language_action_") + app_language_raw_value(choice));
        item->setIcon(choice == current ? check : QIcon());
        item->setIconVisibleInMenu(true);
        connect(item, &QAction::triggered, this, [this, i] { choose_language(i); });
    }

    QMenu* help = menuBar()->addMenu(L10n::text(u"&Help", u"&Help"));
    help->setObjectName(QStringLiteral("help_menu"));
    QAction* coffee = help->addAction(L10n::text(u"Buy Me a Coffee", u"Trakteer me op koffie"));
    coffee->setObjectName(QStringLiteral("donation_action"));
    connect(coffee, &QAction::triggered, this,
            [this] { dialogs_.open_url(AppLinks::donation_page()); });
    help->addSeparator();
    QAction* about = help->addAction(L10n::text(u"About Tessary", u"Over Tessary"));
    about->setObjectName(QStringLiteral("about_action"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &MainWindow::show_about);
}

void MainWindow::build_content()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("window_content"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    splitter_ = new QSplitter(Qt::Horizontal, central);
    splitter_->setObjectName(QStringLiteral("window_splitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(1);

    sidebar_ = new SidebarView(
        store_, dialogs_, [this] { return clock_.now(); }, splitter_);
    splitter_->addWidget(sidebar_);

    auto* detail_column = new QWidget(splitter_);
    detail_column->setObjectName(QStringLiteral("detail_column"));
    detail_column->setAutoFillBackground(true);
    detail_column->setBackgroundRole(QPalette::Base);
    auto* detail_layout = new QVBoxLayout(detail_column);
    detail_layout->setContentsMargins(0, 0, 0, 0);
    detail_layout->setSpacing(0);
    detail_stack_ = new QStackedWidget(detail_column);
    detail_stack_->setObjectName(QStringLiteral("detail_stack"));
    empty_state_ = make_empty_state();
    detail_stack_->addWidget(empty_state_);
    detail_layout->addWidget(detail_stack_, 1);
    detail_layout->addWidget(make_divider(detail_column));
    detail_layout->addWidget(make_footer());
    splitter_->addWidget(detail_column);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);

    const QByteArray state = Preferences::value(splitter_key).toByteArray();
    if (state.isEmpty() || !splitter_->restoreState(state))
        splitter_->setSizes({sidebar_ideal_width, minimum_width - sidebar_ideal_width});
    connect(splitter_, &QSplitter::splitterMoved, this, &MainWindow::save_window_state);

    layout->addWidget(splitter_);
    QWidget* old = takeCentralWidget();
    setCentralWidget(central);
    delete old;

    detail_view_ = nullptr;
    detail_domain_id_.reset();
    update_detail();
}

QWidget* MainWindow::make_empty_state()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("empty_state"));
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(1);
    auto* icon = new QLabel(page);
    icon->setPixmap(AppIcons::icon(AppIcons::network).pixmap(42, 42));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* title = new QLabel(L10n::text(u"No Domain Selected", u"Geen domein geselecteerd"), page);
    title->setObjectName(QStringLiteral("empty_state_title"));
    QFont title_font = title->font();
    title_font.setPointSizeF(title_font.pointSizeF() * 1.45);
    title->setFont(title_font);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* message = new QLabel(L10n::text(u"Add a domain to start monitoring.",
                                          u"Voeg een domein toe om te beginnen met monitoren."),
                               page);
    message->setObjectName(QStringLiteral("empty_state_message"));
    message->setForegroundRole(QPalette::PlaceholderText);
    message->setAlignment(Qt::AlignCenter);
    layout->addWidget(message);
    layout->addStretch(1);
    return page;
}

QWidget* MainWindow::make_footer()
{
    auto* footer = new QLabel;
    footer->setObjectName(QStringLiteral("footer_credit"));
    QFont font = footer->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    footer->setFont(font);
    footer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    footer->setContentsMargins(12, 6, 12, 6);
    footer->setTextFormat(Qt::RichText);
    footer->setOpenExternalLinks(false);
    const QString secondary = AppColors::secondary().name();
    footer->setText(QStringLiteral("<span style=\"color:%1\">%2</span><a href=\"%3\" "
                                   "style=\"color:%4; text-decoration:none\">%5</a>"
                                   "<span style=\"color:%1\">.</span>")
                        .arg(secondary, html_escaped(L10n::text(u"Created by ", u"Gemaakt door ")),
                             html_escaped(AppLinks::product_page().toString(QUrl::FullyEncoded)),
                             AppColors::primary().name(), html_escaped(AppLinks::author_name())));
    connect(footer, &QLabel::linkActivated, this,
            [this](const QString& link) { dialogs_.open_url(QUrl(link)); });
    return footer;
}

QWidget* MainWindow::make_detail_view(const MonitoredDomain& domain)
{
    return new DomainDetailView(store_, domain.id, dialogs_, clock_);
}

void MainWindow::update_detail()
{
    const std::optional<MonitoredDomain> selected = store_.selected_domain();
    const std::optional<QUuid> id =
        selected ? std::optional<QUuid>(selected->id) : std::optional<QUuid>();
    if (id == detail_domain_id_ && (id.has_value() == (detail_view_ != nullptr)))
        return;
    if (detail_view_ != nullptr) {
        detail_stack_->removeWidget(detail_view_);
        detail_view_->deleteLater();
        detail_view_ = nullptr;
    }
    detail_domain_id_ = id;
    measure_now_action_->setEnabled(selected.has_value());
    export_action_->setEnabled(selected.has_value());
    if (!selected) {
        detail_stack_->setCurrentWidget(empty_state_);
        return;
    }
    detail_view_ = make_detail_view(*selected);
    detail_stack_->addWidget(detail_view_);
    detail_stack_->setCurrentWidget(detail_view_);
}

void MainWindow::update_add_domain_form()
{
    if (store_.is_presenting_add_domain()) {
        if (add_domain_dialog_ != nullptr)
            return;
        add_domain_dialog_ = new AddDomainDialog(store_, this);
        add_domain_dialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(add_domain_dialog_, &QDialog::finished, this,
                [this] { store_.set_is_presenting_add_domain(false); });
        add_domain_dialog_->open();
    } else if (add_domain_dialog_ != nullptr) {
        AddDomainDialog* dialog = add_domain_dialog_;
        add_domain_dialog_ = nullptr;
        if (dialog->isVisible())
            dialog->reject();
    }
}

void MainWindow::choose_language(int language_index)
{
    L10n::set_selected_language(all_app_languages[size_t(language_index)]);
    QtTranslations::apply();
    // Rebuilt once the menu item's signal has returned: the rebuild deletes the item.
    QMetaObject::invokeMethod(this, &MainWindow::rebuild, Qt::QueuedConnection);
}

void MainWindow::rebuild()
{
    save_window_state();
    build_menus();
    build_content();
}

void MainWindow::bring_to_front()
{
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void MainWindow::show_domain(const QUuid& domain_id)
{
    const MonitoredDomain* domain = store_.domain_with_id(domain_id);
    if (domain != nullptr && !domain->is_archived)
        store_.set_selected_domain_id(domain_id);
    bring_to_front();
}

void MainWindow::set_start_at_login(QAction& item, bool enabled)
{
    if (const auto failed = AutostartEntry::set_enabled(enabled)) {
        dialogs_.show_error(this,
                            L10n::text(u"Tessary cannot change how it starts at login",
                                       u"Tessary kan niet aanpassen hoe het start bij inloggen"),
                            *failed);
        const QSignalBlocker blocker(item);
        item.setChecked(AutostartEntry::exists());
    }
}

void MainWindow::show_about()
{
    dialogs_.show_information(
        this, L10n::text(u"About Tessary", u"Over Tessary"),
        QStringLiteral("Tessary %1\n\n").arg(QStringLiteral(TESSARY_VERSION_TEXT)) +
            L10n::text(u"Watches how fast and how reliably web sites answer.",
                       u"Houdt bij hoe snel en hoe betrouwbaar websites antwoorden."));
}

void MainWindow::save_window_state()
{
    Preferences::set_value(geometry_key, saveGeometry());
    if (splitter_ != nullptr)
        Preferences::set_value(splitter_key, splitter_->saveState());
}

void MainWindow::schedule_time_refresh()
{
    time_refresh_ = clock_.call_after(time_refresh_ms, [this] {
        sidebar_->refresh_time();
        schedule_time_refresh();
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    save_window_state();
    store_.flush_persistence();
    QMainWindow::closeEvent(event);
}
