#pragma once

#include <QAbstractButton>

// A checkable on/off switch in the accent colour, for settings that turn a
// thing on or off (the add form's "Active").
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
