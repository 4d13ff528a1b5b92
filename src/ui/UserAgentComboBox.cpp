#include "ui/UserAgentComboBox.h"

#include "model/DomainSettings.h"

#include <QCompleter>
#include <QLineEdit>

UserAgentComboBox::UserAgentComboBox(const QString& value, QWidget* parent)
    : QComboBox(parent), last_committed_value_(value)
{
    setObjectName(QStringLiteral("user_agent_combo_box"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(2);
    setMinimumWidth(250);
    addItems(presets());
    completer()->setCompletionMode(QCompleter::InlineCompletion);
    completer()->setCaseSensitivity(Qt::CaseInsensitive);
    setEditText(value);
    // The text field inside is what a screen reader lands on ("User agent" in
    // both languages).
    lineEdit()->setAccessibleName(QStringLiteral("User agent"));

    connect(lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { Q_EMIT value_changed(text); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { commit(lineEdit()->text()); });
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString text = index >= 0 ? itemText(index) : currentText();
        setEditText(text);
        Q_EMIT value_changed(text);
        commit(text);
    });
}

QStringList UserAgentComboBox::presets()
{
    return {DomainSettings::default_user_agent(),
            QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:151.0) "
                           "Gecko/20100101 Firefox/151.0")};
}

QString UserAgentComboBox::value() const
{
    return currentText();
}

void UserAgentComboBox::set_value(const QString& value)
{
    if (lineEdit()->hasFocus() || currentText() == value)
        return;
    setEditText(value);
    last_committed_value_ = value;
}

void UserAgentComboBox::commit(const QString& text)
{
    if (text == last_committed_value_)
        return;
    last_committed_value_ = text;
    Q_EMIT committed(text);
}
