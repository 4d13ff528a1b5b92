#include "ui/ExportFlow.h"

#include "FakeUiDialogs.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "ui/SaveFileName.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

MonitoredDomain example_domain()
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = u"https://example.com/"_s;
    return domain;
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString today()
{
    return QDate::currentDate().toString(u"yyyy-MM-dd"_s);
}

} // namespace

class ExportFlowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { L10n::set_selected_language(AppLanguage::english); }

    // A cancel or a failure leaves the old file alone; a failure ends in one
    // alert, in the chosen language down to the system's reason.
    void a_cancelled_or_failed_export_keeps_the_old_file_data()
    {
        QTest::addColumn<QString>("answer"); // the file chosen; empty: cancelled
        QTest::addColumn<QString>("produced");
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("detail"); // empty: no alert
        QTest::newRow("cancelled") << QString() << u"new"_s << false << QString();
        QTest::newRow("producer error")
            << u"report.pdf"_s << u"error"_s << false << u"The disk said no."_s;
        QTest::newRow("empty export")
            << u"report.pdf"_s << QString() << false << u"The generated export was empty."_s;
        QTest::newRow("unwritable folder")
            << u"missing/report.pdf"_s << u"new"_s << false
            << u"cannot create a file beside the target: No such file or directory"_s;
        QTest::newRow("unwritable folder, Dutch")
            << u"missing/report.pdf"_s << u"new"_s << true
            << u"kan geen bestand naast het doel aanmaken: Bestand of map bestaat niet"_s;
    }
    void a_cancelled_or_failed_export_keeps_the_old_file()
    {
        QFETCH(QString, answer);
        QFETCH(QString, produced);
        QFETCH(bool, dutch);
        QFETCH(QString, detail);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QTemporaryDir folder;
        const QString old = folder.filePath(u"report.pdf"_s);
        QVERIFY(write(old, "old"));
        FakeUiDialogs dialogs;
        if (!answer.isEmpty())
            dialogs.save_answer = folder.filePath(answer);
        int calls = 0;
        QVERIFY(!ExportFlow::save(dialogs, nullptr, u"report.pdf"_s, u"PDF (*.pdf)"_s,
                                  [&]() -> Expected<QByteArray, QString> {
                                      ++calls;
                                      if (produced == u"error"_s)
                                          return u"The disk said no."_s;
                                      return produced.toUtf8();
                                  }));
        QCOMPARE(read(old), QByteArray("old"));
        QCOMPARE(dialogs.proposed_names, QStringList{u"report.pdf"_s});
        if (detail.isEmpty()) {
            QCOMPARE(calls, 0);
            QVERIFY(dialogs.errors.isEmpty());
            return;
        }
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].message,
                 dutch ? u"Rapport exporteren mislukt"_s : u"Report export failed"_s);
        QCOMPARE(dialogs.errors[0].detail, detail);
    }

    // What the save dialog's answer becomes: the typed name with the format's extension.
    void a_typed_name_gets_the_extension_of_its_format_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension")
            << u"PDF (*.pdf)"_s << u"/home/u/Acme March"_s << u"/home/u/Acme March.pdf"_s;
        QTest::newRow("its own, any case")
            << u"JSON (*.json)"_s << u"/home/u/a.JSON"_s << u"/home/u/a.JSON"_s;
        QTest::newRow("a dot in the name")
            << u"CSV (*.csv)"_s << u"/home/u/v1.2"_s << u"/home/u/v1.2.csv"_s;
        QTest::newRow("another format's")
            << u"CSV (*.csv)"_s << u"/home/u/data.json"_s << u"/home/u/data.json.csv"_s;
        QTest::newRow("trailing dot")
            << u"PDF (*.pdf)"_s << u"/home/u/Acme."_s << u"/home/u/Acme.pdf"_s;
        QTest::newRow("dot in a folder")
            << u"PDF (*.pdf)"_s << u"/tmp/a.pdf/report"_s << u"/tmp/a.pdf/report.pdf"_s;
        QTest::newRow("filter without one")
            << u"All files (*)"_s << u"/home/u/x"_s << u"/home/u/x"_s;
    }
    void a_typed_name_gets_the_extension_of_its_format()
    {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QCOMPARE(SaveFileName::with_extension(typed, SaveFileName::filter_extension(filter)),
                 saved);
    }

    // Each export replaces a longer file that is already there.
    void an_export_replaces_the_chosen_file_data()
    {
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("content");
        // A domain without measurements: the CSV is its header line alone.
        QTest::newRow("CSV") << false << u"CSV (*.csv)"_s
                             << QByteArray("\"domain\",\"configured_url\",");
        QTest::newRow("JSON") << true << u"JSON (*.json)"_s
                              << QByteArray("\"url_string\": \"https://example.com/\"");
    }
    void an_export_replaces_the_chosen_file()
    {
        QFETCH(bool, json);
        QFETCH(QString, filter);
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"export"_s);
        QVERIFY(write(path, QByteArray(4096, '#')));
        FakeUiDialogs dialogs;
        dialogs.save_answer = path;
        // Saved like any file of the user's, whatever the replaced file allowed.
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        const mode_t previous_umask = ::umask(027);
        QVERIFY(json ? ExportFlow::export_json(dialogs, nullptr, example_domain())
                     : ExportFlow::export_csv(dialogs, nullptr, example_domain()));
        ::umask(previous_umask);
        QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser |
                                               QFileDevice::ReadGroup);
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(dialogs.proposed_names,
                 QStringList{u"example.com "_s + today() + (json ? u".json"_s : u".csv"_s)});
        QCOMPARE(dialogs.filters, QStringList{filter});
        const QByteArray written = read(path);
        QVERIFY(!written.contains('#'));
        QVERIFY(json ? written.contains(content) : written.startsWith(content));
        if (!json)
            QCOMPARE(written.count('\n'), 1);
    }

    // The report shows its progress to the end; cancelled, it leaves no file and no alert.
    void a_cancelled_report_leaves_no_file()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"report.pdf"_s);
        FakeUiDialogs dialogs;
        dialogs.save_answer = path;
        const QList<MonitoredDomain> domains = {example_domain(), example_domain()};
        QVERIFY(ExportFlow::export_report(dialogs, nullptr, domains));
        QCOMPARE(dialogs.progress_labels, QStringList{u"Writing the report…"_s});
        QCOMPARE(dialogs.progress_reports.last(), 1.0);
        QVERIFY(QFile::remove(path));

        dialogs.progress_reports.clear();
        dialogs.cancel_at_report = 2;
        QVERIFY(!ExportFlow::export_report(dialogs, nullptr, domains));
        QCOMPARE(dialogs.progress_reports.size(), 2);
        QVERIFY(!QFile::exists(path));
        QVERIFY(dialogs.errors.isEmpty());
    }

    void the_report_proposes_its_name_in_the_chosen_language()
    {
        L10n::set_selected_language(AppLanguage::dutch);
        FakeUiDialogs dialogs;
        QVERIFY(!ExportFlow::export_report(dialogs, nullptr, {example_domain()}));
        QCOMPARE(dialogs.proposed_names, QStringList{u"Tessary Rapport "_s + today() + u".pdf"_s});
        QCOMPARE(dialogs.filters, QStringList{u"PDF (*.pdf)"_s});
    }
};

TESSARY_UI_TEST_MAIN(ExportFlowTest)
#include "ExportFlowTest.moc"
