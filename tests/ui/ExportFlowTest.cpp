#include "ui/ExportFlow.h"

#include "FakeUiDialogs.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"

#include <QDate>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

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

    void a_cancelled_dialog_produces_and_writes_nothing()
    {
        FakeUiDialogs dialogs;
        int produced = 0;
        const bool written = ExportFlow::save(dialogs, nullptr, u"a.json"_s, u"JSON (*.json)"_s,
                                              [&]() -> Expected<QByteArray, QString> {
                                                  ++produced;
                                                  return QByteArray("{}");
                                              });
        QVERIFY(!written);
        QCOMPARE(produced, 0);
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(dialogs.proposed_names, QStringList{u"a.json"_s});
    }

    void failures_end_in_one_alert_and_keep_the_old_file_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<bool>("producer_fails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        QTest::newRow("producer error")
            << false << true << u"Report export failed"_s << u"The disk said no."_s;
        QTest::newRow("empty export")
            << false << false << u"Report export failed"_s << u"The generated export was empty."_s;
        QTest::newRow("empty export, Dutch") << true << false << u"Rapport exporteren mislukt"_s
                                             << u"De gegenereerde export was leeg."_s;
    }
    void failures_end_in_one_alert_and_keep_the_old_file()
    {
        QFETCH(bool, dutch);
        QFETCH(bool, producer_fails);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"report.pdf"_s);
        QVERIFY(write(path, "old"));
        FakeUiDialogs dialogs;
        dialogs.save_answer = path;
        const bool written = ExportFlow::save(dialogs, nullptr, u"report.pdf"_s, u"PDF (*.pdf)"_s,
                                              [&]() -> Expected<QByteArray, QString> {
                                                  if (producer_fails)
                                                      return u"The disk said no."_s;
                                                  return QByteArray();
                                              });
        QVERIFY(!written);
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].message, message);
        QCOMPARE(dialogs.errors[0].detail, detail);
        QCOMPARE(read(path), QByteArray("old"));
    }

    void a_write_failure_is_reported()
    {
        QTemporaryDir folder;
        FakeUiDialogs dialogs;
        dialogs.save_answer = folder.filePath(u"missing/folder/a.csv"_s);
        QVERIFY(!ExportFlow::export_csv(dialogs, nullptr, example_domain()));
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].message, u"Report export failed"_s);
        QVERIFY(!dialogs.errors[0].detail.isEmpty());
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
        QVERIFY(json ? ExportFlow::export_json(dialogs, nullptr, example_domain())
                     : ExportFlow::export_csv(dialogs, nullptr, example_domain()));
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

    void the_report_proposes_its_name_in_the_chosen_language_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("name");
        QTest::newRow("English") << false << u"Tessary Report "_s + today() + u".pdf"_s;
        QTest::newRow("Dutch") << true << u"Tessary Rapport "_s + today() + u".pdf"_s;
    }
    void the_report_proposes_its_name_in_the_chosen_language()
    {
        QFETCH(bool, dutch);
        QFETCH(QString, name);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        FakeUiDialogs dialogs;
        QVERIFY(!ExportFlow::export_report(dialogs, nullptr, {example_domain()}));
        QCOMPARE(dialogs.proposed_names, QStringList{name});
        QCOMPARE(dialogs.filters, QStringList{u"PDF (*.pdf)"_s});
        QVERIFY(dialogs.errors.isEmpty());
    }
};

TESSARY_UI_TEST_MAIN(ExportFlowTest)
#include "ExportFlowTest.moc"
