#include "ui/detail/SchemeHandlerLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace SchemeHandlerLookup {

namespace {

QString environment_or(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString config_home()
{
    return environment_or("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
}

QString data_home()
{
    return environment_or("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

QStringList split_dirs(const char* name, const QString& fallback)
{
    return environment_or(name, fallback).split(u':', Qt::SkipEmptyParts);
}

// The values of `key` in the named groups of a desktop-entry style file,
// split at ';'.
QStringList values_in_groups(const QString& path, const QStringList& groups, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList values;
    bool in_group = false;
    QTextStream stream(&file);
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.startsWith(u'[')) {
            in_group = groups.contains(line.mid(1, line.size() - 2));
            continue;
        }
        if (!in_group)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.left(equals).trimmed() != key)
            continue;
        for (const QString& value : line.mid(equals + 1).split(u';', Qt::SkipEmptyParts))
            values.append(value.trimmed());
    }
    return values;
}

bool is_installed(const QString& desktop_id)
{
    // A desktop id "vendor-app.desktop" may live at "vendor/app.desktop".
    for (const QString& dir : application_directories()) {
        if (QFileInfo::exists(dir + u'/' + desktop_id))
            return true;
        QString nested = desktop_id;
        nested.replace(u'-', u'/');
        if (QFileInfo::exists(dir + u'/' + nested))
            return true;
    }
    return false;
}

} // namespace

QStringList mimeapps_list_files()
{
    QStringList files;
    files.append(config_home() + QStringLiteral("/mimeapps.list"));
    for (const QString& dir : split_dirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")))
        files.append(dir + QStringLiteral("/mimeapps.list"));
    for (const QString& dir : application_directories())
        files.append(dir + QStringLiteral("/mimeapps.list"));
    return files;
}

QStringList application_directories()
{
    QStringList dirs;
    dirs.append(data_home() + QStringLiteral("/applications"));
    for (const QString& dir :
         split_dirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        dirs.append(dir + QStringLiteral("/applications"));
    return dirs;
}

std::optional<QString> find_handler(const QString& scheme)
{
    const QString type = QStringLiteral("x-scheme-handler/") + scheme.toLower();
    for (const QString& file : mimeapps_list_files()) {
        for (const QString& id :
             values_in_groups(file, {QStringLiteral("Default Applications")}, type)) {
            if (is_installed(id))
                return id;
        }
    }
    for (const QString& file : mimeapps_list_files()) {
        for (const QString& id :
             values_in_groups(file, {QStringLiteral("Added Associations")}, type)) {
            if (is_installed(id))
                return id;
        }
    }
    const QStringList dirs = application_directories();
    for (const QString& dir : dirs) {
        for (const QString& id : values_in_groups(dir + QStringLiteral("/mimeinfo.cache"),
                                                  {QStringLiteral("MIME Cache")}, type)) {
            if (is_installed(id))
                return id;
        }
    }
    // Desktop files the user installed by hand are often not in a cache yet.
    const QDir user_dir(dirs.first());
    for (const QString& name : user_dir.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
        const QStringList types = values_in_groups(
            user_dir.filePath(name), {QStringLiteral("Desktop Entry")}, QStringLiteral("MimeType"));
        if (types.contains(type))
            return name;
    }
    return std::nullopt;
}

} // namespace SchemeHandlerLookup
