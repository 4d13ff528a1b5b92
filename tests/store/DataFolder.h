#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A support directory of its own for one test, with helpers to write and read
// its files by name.
class DataFolder {
public:
    DataFolder() : path_(root_.path() + QStringLiteral("/Tessary")) {}

    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + QLatin1Char('/') + name; }

    void write(const QString& name, const QByteArray& content) const
    {
        QDir().mkpath(path_);
        QFile file(this->file(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(this->file(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool exists(const QString& name) const { return QFile::exists(file(name)); }

    // Every entry of the folder, sorted.
    QStringList entries() const
    {
        return QDir(path_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                     QDir::Name);
    }

private:
    QTemporaryDir root_;
    QString path_;
};
