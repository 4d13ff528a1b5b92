#include "ui/ExportFlow.h"

#include "FakeUiDialogs.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"

#include <QDate>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

namespace {

MonitoredDomain example_domain()
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = QStringLiteral("https://example.com/");
    return domain;
}

QByteArray read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
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
        const bool written = ExportFlow::save(dialogs, nullptr, QStringLiteral("a.json"),
                                              QStringLiteral("JSON (*.json)"),
                                              [&]() -> Expected<QByteArray, QString> {
                                                  ++produced;
                                                  return QByteArray("{}");
                                              });
        QVERIFY(!written);
        QCOMPARE(produced, 0);
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(dialogs.proposed_names, QStringList{QStringLiteral("a.json")});
    }

    void failures_end_in_one_alert_and_keep_the_old_file_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<bool>("producer_fails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        QTest::newRow("producer error") << false << true << QStringLiteral("Report export failed")
                                        << QStringLiteral("The disk said no.");
        QTest::newRow("empty export") << false << false << QStringLiteral("Report export failed")
                                      << QStringLiteral("The generated export was empty.");
        QTest::newRow("empty export, Dutch")
            << true << false << QStringLiteral("Rapport exporteren mislukt")
            << QStringLiteral("De gegenereerde export was leeg.");
    }

    void failures_end_in_one_alert_and_keep_the_old_file()
    {
        QFETCH(bool, dutch);
        QFETCH(bool, producer_fails);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("report.pdf"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        FakeUiDialogs dialogs;
        dialogs.save_answer = path;
        const bool written =
            ExportFlow::save(dialogs, nullptr, QStringLiteral("report.pdf"),
                             QStringLiteral("PDF (*.pdf)"), [&]() -> Expected<QByteArray, QString> {
                                 if (producer_fails)
                                     return QStringLiteral("The disk said no.");
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
        dialogs.save_answer = folder.filePath(QStringLiteral("missing/folder/a.csv"));
        const bool written = ExportFlow::export_csv(dialogs, nullptr, example_domain());
        QVERIFY(!written);
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].message, QStringLiteral("Report export failed"));
        QVERIFY(!dialogs.errors[0].detail.isEmpty());
    }

    void a_csv_export_replaces_the_chosen_file()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("export.csv"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older and longer content than the new one will be, by far");
        }
        FakeUiDialogs dialogs;
        dialogs.save_answer = path;
        QVERIFY(ExportFlow::export_csv(dialogs, nullptr, example_domain()));
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(dialogs.proposed_names,
                 QStringList{QStringLiteral("example.com ") + today() + QStringLiteral(".csv")});
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("CSV (*.csv)")});
        // A domain without measurements: the header line alone.
        QVERIFY(read(path).startsWith("\"domain\",\"configured_url\","));
        QCOMPARE(read(path).count('\n'), 1);
    }

    void the_json_export_writes_the_domain()
    {
        QTemporaryDir folder;
        FakeUiDialogs dialogs;
        dialogs.save_answer = folder.filePath(QStringLiteral("export.json"));
        QVERIFY(ExportFlow::export_json(dialogs, nullptr, example_domain()));
        QCOMPARE(dialogs.proposed_names,
                 QStringList{QStringLiteral("example.com ") + today() + QStringLiteral(".json")});
        QVERIFY(read(*dialogs.save_answer).contains("\"url_string\": \"https://example.com/\""));
    }

    void the_report_proposes_its_name_in_the_chosen_language_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("name");
        QTest::newRow("English") << false
                                 << QStringLiteral("Tessary Report ") + today() +
                                        QStringLiteral(".pdf");
        QTest::newRow("Dutch") << true
                               << QStringLiteral("Tessary Rapport ") + today() +
                                      QStringLiteral(".pdf");
    }

    void the_report_proposes_its_name_in_the_chosen_language()
    {
        QFETCH(bool, dutch);
        QFETCH(QString, name);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        FakeUiDialogs dialogs;
        QVERIFY(!ExportFlow::export_report(dialogs, nullptr, {example_domain()}));
        QCOMPARE(dialogs.proposed_names, QStringList{name});
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("PDF (*.pdf)")});
        QVERIFY(dialogs.errors.isEmpty());
    }
};

TESSARY_UI_TEST_MAIN(ExportFlowTest)
#include "ExportFlowTest.moc"
