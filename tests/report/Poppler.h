#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

#include <gtest/gtest.h>

// Reads finished PDF documents back with the poppler tools (installed by
// scripts/install-deps.sh), so tests check what a reader of the file gets.
namespace Poppler {

// The output of `tool arguments... FILE` for a document of `pdf` bytes; fails the
// test when the tool is missing or fails.
inline QString run(const QString& tool, QStringList arguments, const QByteArray& pdf)
{
    const QString program = QStandardPaths::findExecutable(tool);
    EXPECT_FALSE(program.isEmpty())
        << tool.toStdString() << " is missing: run scripts/install-deps.sh";
    if (program.isEmpty())
        return QString();
    QTemporaryFile file(QStringLiteral("report-XXXXXX.pdf"));
    EXPECT_TRUE(file.open());
    file.write(pdf);
    file.close();
    arguments.append(file.fileName());
    if (tool == QLatin1String("pdftotext"))
        arguments.append(QStringLiteral("-"));
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// pdfinfo's "Name: value" lines.
inline QMap<QString, QString> info(const QByteArray& pdf)
{
    QMap<QString, QString> fields;
    const QStringList lines = run(QStringLiteral("pdfinfo"), {}, pdf).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            fields.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return fields;
}

// `text` with every run of white space, no-break spaces included, made one space:
// line ends of wrapped text and the narrow space before "AM" read as one space.
inline QString normalized(QString text)
{
    static const QRegularExpression space(QStringLiteral("[\\s\\x{00A0}\\x{202F}]+"));
    text.replace(space, QStringLiteral(" "));
    return text.trimmed();
}

// The text of pages `first` to `last` (0: to the end) in reading order, normalized.
inline QString text(const QByteArray& pdf, int first = 1, int last = 0)
{
    QStringList arguments{QStringLiteral("-f"), QString::number(first)};
    if (last > 0)
        arguments << QStringLiteral("-l") << QString::number(last);
    return normalized(run(QStringLiteral("pdftotext"), arguments, pdf));
}

// One word as pdftotext places it: its page (from 1), text and lower edge in
// points from the page's top.
struct Word {
    int page = 0;
    QString text;
    double bottom = 0.0;
};

inline QList<Word> words(const QByteArray& pdf)
{
    static const QRegularExpression element(QStringLiteral(
        "<page |<word xMin=\"[^\"]*\" yMin=\"[^\"]*\" xMax=\"[^\"]*\" yMax=\"([^\"]*)\">"
        "([^<]*)</word>"));
    QList<Word> result;
    int page = 0;
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox")}, pdf);
    for (auto it = element.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        result.append({page, match.captured(2), match.captured(1).toDouble()});
    }
    return result;
}

// `text` without white space and hyphens. pdftotext joins a word broken after a
// hyphen at a line end and drops that hyphen ("P15-" + "P85" reads "P15P85"), so
// running text is compared in this form.
inline QString squashed(const QString& text)
{
    static const QRegularExpression gaps(QStringLiteral("[\\s\\x{00A0}\\x{202F}-]+"));
    QString result = text;
    result.remove(gaps);
    return result;
}

// Fails unless every one of `parts` occurs in `text`, in this order (compared squashed).
inline void expect_in_order(const QString& text, const QStringList& parts)
{
    const QString haystack = squashed(text);
    qsizetype from = 0;
    for (const QString& written : parts) {
        const QString part = squashed(written);
        const qsizetype at = haystack.indexOf(part, from);
        EXPECT_GE(at, 0) << "missing in order: \"" << written.toStdString()
                         << "\"\nin: " << text.toStdString();
        if (at < 0)
            return;
        from = at + part.size();
    }
}

} // namespace Poppler
