// Renders the window's main states to PNG files for reviewing the look of a
// change: `window_screenshots [OUTPUT_FOLDER]` (default build/screenshots). Runs
// on the offscreen platform with a demo data folder it generates, so the
// pictures are the same on every machine.
#include "DemoDataFolder.h"
#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "i18n/L10n.h"
#include "ui/AddDomainDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtUiDialogs.h"
#include "ui/SidebarView.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>
#include <ctime>
#include <functional>

namespace {

// What every shot works with: a store over a data folder, fake services and the
// window. `folder_name` picks the data folder ("empty" or "demo").
class ShotContext {
public:
    ShotContext(const QString& root, const QString& folder_name, bool with_demo_data)
    {
        const QString folder = QDir(root).filePath(folder_name);
        if (with_demo_data)
            DemoDataFolder::write(folder, DemoDataFolder::demo_sites(), services.clock.now(),
                                  48 * 30 + 5);
        store = std::move(TessaryStore::open(services.environment(folder))).value();
        window = std::make_unique<MainWindow>(*store, dialogs, services.clock);
        window->resize(1200, 760);
        window->show();
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    StoreTestEnvironment services;
    FakeUiDialogs dialogs;
    std::unique_ptr<TessaryStore> store;
    std::unique_ptr<MainWindow> window;
};

// The window with a dialog over it, dimmed as a window-modal sheet would be.
QImage with_dialog(QWidget& window, QWidget& dialog)
{
    dialog.adjustSize();
    ShotContext::settle();
    QImage image = window.grab().toImage();
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(0, 0, 0, 70));
    const QPixmap sheet = dialog.grab();
    const QPoint at((image.width() - sheet.width()) / 2, 60);
    painter.fillRect(QRect(at, sheet.size()).adjusted(-1, -1, 1, 1), QColor(0, 0, 0, 90));
    painter.drawPixmap(at, sheet);
    return image;
}

struct Shot {
    QString name;
    std::function<QImage(const QString& root)> render;
};

QList<Shot> window_shots()
{
    return {
        {QStringLiteral("01-empty"),
         [](const QString& root) {
             ShotContext context(root, QStringLiteral("empty"), false);
             return context.window->grab().toImage();
         }},
        {QStringLiteral("02-populated"),
         [](const QString& root) {
             ShotContext context(root, QStringLiteral("demo"), true);
             return context.window->grab().toImage();
         }},
        {QStringLiteral("03-add-form"),
         [](const QString& root) {
             ShotContext context(root, QStringLiteral("demo-add"), true);
             context.store->archive_domain(context.store->domains().last().id);
             context.store->set_is_presenting_add_domain(true);
             ShotContext::settle();
             return with_dialog(*context.window, *context.window->add_domain_dialog());
         }},
        {QStringLiteral("04-confirmation"),
         [](const QString& root) {
             ShotContext context(root, QStringLiteral("demo-confirm"), true);
             const auto box = QtUiDialogs::confirmation_box(
                 context.window.get(), SidebarView::delete_everything_confirmation());
             box->show();
             return with_dialog(*context.window, *box);
         }},
        {QStringLiteral("05-dutch"),
         [](const QString& root) {
             L10n::set_selected_language(AppLanguage::dutch);
             ShotContext context(root, QStringLiteral("demo-dutch"), true);
             QImage image = context.window->grab().toImage();
             L10n::set_selected_language(AppLanguage::english);
             return image;
         }},
    };
}

void set_environment(const char* name, const QString& value)
{
    setenv(name, value.toLocal8Bit().constData(), 1);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    set_environment("XDG_DATA_HOME", home.filePath(QStringLiteral("data")));
    set_environment("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")));
    setenv("TZ", "Europe/Amsterdam", 1);
    tzset();
    setenv("LANG", "C.UTF-8", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));
    L10n::set_selected_language(AppLanguage::english);

    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/screenshots");
    if (!QDir().mkpath(output)) {
        QTextStream(stderr) << "window_screenshots: cannot create " << output << '\n';
        return 1;
    }
    QTextStream out(stdout);
    int failures = 0;
    for (const Shot& shot : window_shots()) {
        const QString path = QDir(output).filePath(shot.name + QStringLiteral(".png"));
        const QImage image = shot.render(home.filePath(QStringLiteral("folders")));
        if (image.isNull() || !image.save(path)) {
            QTextStream(stderr) << "window_screenshots: could not write " << path << '\n';
            ++failures;
            continue;
        }
        out << path << '\n';
    }
    return failures == 0 ? 0 : 1;
}
