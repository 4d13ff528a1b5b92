#pragma once

#include <QComboBox>

// An editable user-agent field with the two presets. Every keystroke is
// reported as `value_changed`; a new value is `committed` once, on Return, at
// the end of editing or when a preset is chosen.
class UserAgentComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit UserAgentComboBox(const QString& value, QWidget* parent = nullptr);

    static QStringList presets();

    QString value() const;
    // An update from outside: shown unless the user is editing, and never
    // reported back as a commit.
    void set_value(const QString& value);

Q_SIGNALS:
    void value_changed(const QString& value);
    void committed(const QString& value);

private:
    void commit(const QString& text);

    QString last_committed_value_;
};
