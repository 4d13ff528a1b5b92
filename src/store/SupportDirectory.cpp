#include "store/SupportDirectory.h"

#include "i18n/L10n.h"
#include "model/PrivateFile.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

// Like QDir::mkpath, but every folder it makes is private from the start.
void make_private_path(const QString& path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    for (qsizetype slash = absolute.indexOf(u'/', 1);; slash = absolute.indexOf(u'/', slash + 1)) {
        const QString part = slash < 0 ? absolute : absolute.first(slash);
        ::mkdir(QFile::encodeName(part).constData(), PrivateFile::folder_mode);
        if (slash < 0)
            return;
    }
}

} // namespace

SupportDirectory SupportDirectory::prepare(const QString& path, bool create, uid_t user)
{
    // A failure to create it (a read-only parent) shows in the reads and writes.
    if (create)
        make_private_path(path);
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    const QString native = QDir::toNativeSeparators(path);
    if (status.st_uid != user)
        return {.refusal = L10n::text(u"The data folder %1 belongs to another user; Tessary only "
                                      u"uses a folder of your own. Use another folder with "
                                      u"--data-dir.",
                                      u"De gegevensmap %1 is van een andere gebruiker; Tessary "
                                      u"gebruikt alleen een eigen map. Kies een andere map met "
                                      u"--data-dir.")
                               .arg(native),
                .warning = std::nullopt};
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return {.refusal = std::nullopt,
                .warning = L10n::text(u"other users can write in the data folder %1 (mode %2), "
                                      u"so they could replace its files; \"chmod 700 %1\" makes "
                                      u"it yours alone.",
                                      u"andere gebruikers kunnen schrijven in de gegevensmap %1 "
                                      u"(modus %2) en dus de bestanden vervangen; \"chmod 700 "
                                      u"%1\" maakt hem alleen van u.")
                               .arg(native, QString::number(status.st_mode & 07777, 8))};
    return {};
}
