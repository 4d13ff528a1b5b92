#include "ui/UserAgentComboBox.h"

#include "UiTestMain.h"

#include <QLineEdit>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

class UserAgentComboBoxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presets_and_outside_updates_are_shown_without_being_reported()
    {
        UserAgentComboBox box(u"Tessarybot"_s);
        QCOMPARE(box.count(), 2);
        QSignalSpy changed(&box, &UserAgentComboBox::value_changed);
        QSignalSpy committed(&box, &UserAgentComboBox::committed);
        box.set_value(u"Agent/2"_s);
        QCOMPARE(box.value(), u"Agent/2"_s);
        Q_EMIT box.lineEdit()->editingFinished(); // no change: nothing to report
        QCOMPARE(changed.size() + committed.size(), 0);

        // Choosing a preset writes and commits it, once.
        box.setCurrentIndex(1);
        Q_EMIT box.activated(1);
        const QString browser = UserAgentComboBox::presets().at(1);
        QCOMPARE(box.value(), browser);
        QCOMPARE(changed.size(), 1);
        Q_EMIT box.activated(1);
        QCOMPARE(committed.size(), 1);
        QCOMPARE(committed.at(0).at(0).toString(), browser);
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
        QLineEdit* edit = box->lineEdit();
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, u"qa"_s);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toString(), u"qa"_s);
        QCOMPARE(committed.size(), 0);

        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(committed.size(), 1);
        QCOMPARE(committed.at(0).at(0).toString(), u"qa"_s);
        // Neither a second Return nor leaving the field commits the same value again.
        QTest::keyClick(edit, Qt::Key_Return);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(committed.size(), 1);

        // Leaving after a change commits the new value.
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, u"b"_s);
        other->setFocus();
        QTRY_COMPARE(committed.size(), 2);
        QCOMPARE(committed.at(1).at(0).toString(), u"qab"_s);

        // An update from outside waits while the user edits.
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, u"c"_s);
        box->set_value(u"Agent/2"_s);
        QCOMPARE(box->value(), u"qabc"_s);
    }
};

TESSARY_UI_TEST_MAIN(UserAgentComboBoxTest)
#include "UserAgentComboBoxTest.moc"
