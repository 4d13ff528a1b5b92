#include "ui/UserAgentComboBox.h"

#include "UiTestMain.h"

#include <QLineEdit>
#include <QObject>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

class UserAgentComboBoxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presets_and_outside_updates_are_shown_without_being_reported()
    {
        UserAgentComboBox box(u"Tessarybot"_s);
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), u"Tessarybot"_s);
        QCOMPARE(box.itemText(1), u"Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:151.0) "
                                  u"Gecko/20100101 Firefox/151.0"_s);
        QCOMPARE(box.value(), u"Tessarybot"_s);
        QVERIFY(box.isEditable());
        QSignalSpy changed(&box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(&box, &UserAgentComboBox::committed);
        box.set_value(u"Agent/2"_s);
        QCOMPARE(box.value(), u"Agent/2"_s);
        // Ending an edit without changing the value does not report it either.
        Q_EMIT box.lineEdit()->editingFinished();
        QCOMPARE(changed.size(), 0);
        QCOMPARE(committed.size(), 0);

        // Choosing a preset writes and commits it, once.
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

    void typing_reports_every_keystroke_and_commits_once()
    {
        QWidget window;
        auto* box = new UserAgentComboBox(u"Tessarybot"_s, &window);
        auto* other = new QLineEdit(&window);
        other->move(0, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy changed(box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(box, &UserAgentComboBox::committed);

        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), u"qa"_s);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), u"q"_s);
        QCOMPARE(changed.at(1).at(0).toString(), u"qa"_s);
        QCOMPARE(committed.size(), 0);

        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(committed.size(), 1);
        QCOMPARE(committed.at(0).at(0).toString(), u"qa"_s);

        // Neither a second Return nor leaving the field commits the same value again.
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(committed.size(), 1);

        // Leaving after a change commits the new value.
        box->lineEdit()->setFocus();
        QTRY_VERIFY(box->lineEdit()->hasFocus());
        QTest::keyClick(box->lineEdit(), Qt::Key_End);
        QTest::keyClicks(box->lineEdit(), u"b"_s);
        other->setFocus();
        QTRY_COMPARE(committed.size(), 2);
        QCOMPARE(committed.at(1).at(0).toString(), u"qab"_s);
    }

    void an_outside_update_waits_while_the_user_edits()
    {
        QWidget window;
        auto* box = new UserAgentComboBox(u"Tessarybot"_s, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        box->lineEdit()->setFocus();
        QTRY_VERIFY(box->lineEdit()->hasFocus());
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), u"Mine"_s);
        box->set_value(u"Agent/2"_s);
        QCOMPARE(box->value(), u"Mine"_s);
    }
};

TESSARY_UI_TEST_MAIN(UserAgentComboBoxTest)
#include "UserAgentComboBoxTest.moc"
