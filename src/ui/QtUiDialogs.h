#pragma once

#include "ui/UiDialogs.h"

#include <memory>

class QMessageBox;

// The real dialogs: QMessageBox, QFileDialog, QProgressDialog and QDesktopServices.
class QtUiDialogs final : public UiDialogs {
public:
    // The message box confirm() runs, unopened (also for the screenshots).
    static std::unique_ptr<QMessageBox> confirmation_box(QWidget* parent,
                                                         const Confirmation& confirmation);

    bool confirm(QWidget* parent, const Confirmation& confirmation) override;
    std::optional<QString> save_file_name(QWidget* parent, const QString& proposed_name,
                                          const QString& filter) override;
    void show_error(QWidget* parent, const QString& message, const QString& detail) override;
    void show_information(QWidget* parent, const QString& title, const QString& text) override;
    std::unique_ptr<Progress> show_progress(QWidget* parent, const QString& label) override;
    void open_url(const QUrl& url) override;
};
