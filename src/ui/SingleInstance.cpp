#include "ui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

const QByteArray activate_request = QByteArrayLiteral("activate\n");
const QByteArray activate_answer = QByteArrayLiteral("ok\n");

QString canonical_folder(const QString& data_directory)
{
    const QFileInfo info(data_directory);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::server_name(const QString& data_directory)
{
    const QByteArray hash = QCryptographicHash::hash(canonical_folder(data_directory).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(24);
    return QStringLiteral("tessary-%1-%2")
        .arg(QString::number(::getuid()), QString::fromLatin1(hash));
}

bool SingleInstance::activate_running_instance(const QString& data_directory, int timeout_ms)
{
    QLocalSocket socket;
    socket.connectToServer(server_name(data_directory));
    if (!socket.waitForConnected(timeout_ms))
        return false;
    socket.write(activate_request);
    if (!socket.waitForBytesWritten(timeout_ms))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (!socket.waitForReadyRead(timeout_ms))
            return false;
        answer += socket.readAll();
    }
    return answer == activate_answer;
}

bool SingleInstance::listen(const QString& data_directory)
{
    delete server_;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = server_name(data_directory);
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);
        if (!server_->listen(name))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray request = socket->readLine();
                if (request == activate_request) {
                    socket->write(activate_answer);
                    socket->flush();
                    Q_EMIT activation_requested();
                }
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}
