#include "ui/AutostartEntry.h"

#include "model/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

// An Exec argument with the characters the desktop entry format reserves quoted.
QString quoted(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(argument.cbegin(), argument.cend(),
                     [](QChar c) { return reserved.contains(c); }))
        return argument;
    QString escaped;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return u'"' + escaped + u'"';
}

} // namespace

QString AutostartEntry::path()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/tessary.desktop"));
}

bool AutostartEntry::exists()
{
    return QFileInfo::exists(path());
}

QString AutostartEntry::program()
{
    const QString running = QCoreApplication::applicationFilePath();
    const QString found = QStandardPaths::findExecutable(QStringLiteral("tessary"));
    if (!found.isEmpty() &&
        QFileInfo(found).canonicalFilePath() == QFileInfo(running).canonicalFilePath())
        return QStringLiteral("tessary");
    return running;
}

QByteArray AutostartEntry::contents(const QString& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tessary\n"
           "Comment=Watches how fast and how reliably web sites answer\n"
           "Exec=" +
           quoted(program).toUtf8() +
           " --hidden\n"
           "Icon=tessary\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::optional<QString> AutostartEntry::set_enabled(bool enabled)
{
    const QString file = path();
    if (!enabled) {
        if (QFile::exists(file) && !QFile::remove(file))
            return QStringLiteral("cannot remove %1").arg(QDir::toNativeSeparators(file));
        return std::nullopt;
    }
    if (!QDir().mkpath(QFileInfo(file).path()))
        return QStringLiteral("cannot make the folder of %1").arg(QDir::toNativeSeparators(file));
    return AtomicFile::write(file, contents(program()));
}
