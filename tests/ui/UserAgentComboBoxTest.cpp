#include "ui/UserAgentComboBox.h"

#include "UiTestMain.h"

#include <QLineEdit>
#include <QObject>
#include <QSignalSpy>

class UserAgentComboBoxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void should_have_the_two_presets_and_the_value()
    {
        UserAgentComboBox box(QStringLiteral("Tessarybot"));
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("Tessarybot"));
        QCOMPARE(box.itemText(1),
                 QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:151.0) "
                                "Gecko/20100101 Firefox/151.0"));
        QCOMPARE(box.value(), QStringLiteral("Tessarybot"));
        QVERIFY(box.isEditable());
    }

    void typing_reports_every_keystroke_and_commits_once()
    {
        QWidget window;
        auto* box = new UserAgentComboBox(QStringLiteral("Tessarybot"), &window);
        auto* other = new QLineEdit(&window);
        other->move(0, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy changed(box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(box, &UserAgentComboBox::committed);

        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), QStringLiteral("qa"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("q"));
        QCOMPARE(changed.at(1).at(0).toString(), QStringLiteral("qa"));
        QCOMPARE(committed.size(), 0);

        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(committed.size(), 1);
        QCOMPARE(committed.at(0).at(0).toString(), QStringLiteral("qa"));

        // Neither a second Return nor leaving the field commits the same value again.
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(committed.size(), 1);

        // Leaving after a change commits the new value.
        box->lineEdit()->setFocus();
        QTRY_VERIFY(box->lineEdit()->hasFocus());
        QTest::keyClick(box->lineEdit(), Qt::Key_End);
        QTest::keyClicks(box->lineEdit(), QStringLiteral("b"));
        other->setFocus();
        QTRY_COMPARE(committed.size(), 2);
        QCOMPARE(committed.at(1).at(0).toString(), QStringLiteral("qab"));
    }

    void choosing_a_preset_writes_and_commits_it()
    {
        UserAgentComboBox box(QStringLiteral("Tessarybot"));
        QSignalSpy changed(&box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(&box, &UserAgentComboBox::committed);
        box.setCurrentIndex(1);
        Q_EMIT box.activated(1);
        const QString browser = UserAgentComboBox::presets().at(1);
        QCOMPARE(box.value(), browser);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), browser);
        QCOMPARE(committed.size(), 1);
        QCOMPARE(committed.at(0).at(0).toString(), browser);
        Q_EMIT box.activated(1);
        QCOMPARE(committed.size(), 1);
    }

    void an_outside_update_is_shown_but_not_reported()
    {
        UserAgentComboBox box(QStringLiteral("Tessarybot"));
        QSignalSpy changed(&box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(&box, &UserAgentComboBox::committed);
        box.set_value(QStringLiteral("Agent/2"));
        QCOMPARE(box.value(), QStringLiteral("Agent/2"));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(committed.size(), 0);
        // Ending an edit without changing the value does not report it either.
        Q_EMIT box.lineEdit()->editingFinished();
        QCOMPARE(committed.size(), 0);
    }

    void an_outside_update_waits_while_the_user_edits()
    {
        QWidget window;
        auto* box = new UserAgentComboBox(QStringLiteral("Tessarybot"), &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        box->lineEdit()->setFocus();
        QTRY_VERIFY(box->lineEdit()->hasFocus());
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), QStringLiteral("Mine"));
        box->set_value(QStringLiteral("Agent/2"));
        QCOMPARE(box->value(), QStringLiteral("Mine"));
    }
};

TESSARY_UI_TEST_MAIN(UserAgentComboBoxTest)
#include "UserAgentComboBoxTest.moc"
