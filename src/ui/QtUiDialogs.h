#pragma once

#include "ui/UiDialogs.h"

// The real dialogs: QMessageBox, QFileDialog and QDesktopServices.
class QtUiDialogs final : public UiDialogs {
public:
    bool confirm(QWidget* parent, const Confirmation& confirmation) override;
    std::optional<QString> save_file_name(QWidget* parent, const QString& proposed_name,
                                          const QString& filter) override;
    void show_error(QWidget* parent, const QString& message, const QString& detail) override;
    void show_information(QWidget* parent, const QString& title, const QString& text) override;
    void open_url(const QUrl& url) override;
};
