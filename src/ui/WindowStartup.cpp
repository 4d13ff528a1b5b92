#include "ui/WindowStartup.h"

#include "i18n/L10n.h"
#include "measurement/DBusNotificationSink.h"
#include "store/TessaryStore.h"
#include "ui/MainWindow.h"
#include "ui/SingleInstance.h"
#include "ui/UiDialogs.h"

#include <QApplication>

QString WindowStartup::lock_holder()
{
    return QStringLiteral("the Tessary window");
}

int WindowStartup::run(const QString& data_directory, UiDialogs& dialogs)
{
    if (SingleInstance::activate_running_instance(data_directory))
        return 0;

    TessaryStore::Environment environment;
    environment.support_directory = data_directory;
    environment.lock_holder = lock_holder();
    auto opened = TessaryStore::open(environment);
    if (!opened) {
        dialogs.show_error(nullptr,
                           L10n::text(u"Tessary cannot open its data folder",
                                      u"Tessary kan zijn gegevensmap niet openen"),
                           opened.error());
        return 1;
    }
    std::unique_ptr<TessaryStore> store = std::move(opened).value();

    SingleInstance instance;
    instance.listen(data_directory);

    MainWindow window(*store, dialogs, Clock::system());
    QObject::connect(&instance, &SingleInstance::activation_requested, &window,
                     &MainWindow::bring_to_front);
    QObject::connect(&DBusNotificationSink::shared(), &DBusNotificationSink::domain_activated,
                     &window, &MainWindow::show_domain);
    window.show();
    const int code = QApplication::exec();
    store->close_persistence();
    return code;
}
