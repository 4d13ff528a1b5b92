#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One Tessary window per data folder: the window listens on a local socket named
// after its data folder, and a later start asks it to come forward instead of
// failing on the folder's lock.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket name of a data folder: the same for every spelling of its path,
    // different for other folders and other users.
    static QString server_name(const QString& data_directory);

    // Asks the window of `data_directory` to come forward; true when one answered.
    static bool activate_running_instance(const QString& data_directory, int timeout_ms = 2000);

    // Starts listening. Call only while holding the data folder's lock: a socket
    // left behind by a crashed window is then known to be stale and replaced.
    bool listen(const QString& data_directory);

Q_SIGNALS:
    void activation_requested();

private:
    QLocalServer* server_ = nullptr;
};
