#include "ui/QtUiDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

bool QtUiDialogs::confirm(QWidget* parent, const Confirmation& confirmation)
{
    QMessageBox box(parent);
    box.setIcon(confirmation.destructive ? QMessageBox::Warning : QMessageBox::Question);
    box.setWindowModality(Qt::WindowModal);
    box.setText(confirmation.title);
    box.setInformativeText(confirmation.message);
    QPushButton* action = box.addButton(confirmation.action_title,
                                        confirmation.destructive ? QMessageBox::DestructiveRole
                                                                 : QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == action;
}

std::optional<QString> QtUiDialogs::save_file_name(QWidget* parent, const QString& proposed_name,
                                                   const QString& filter)
{
    const QString start = QDir::home().filePath(proposed_name);
    const QString path = QFileDialog::getSaveFileName(parent, QString(), start, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void QtUiDialogs::show_error(QWidget* parent, const QString& message, const QString& detail)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Critical);
    box.setText(message);
    box.setInformativeText(detail);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtUiDialogs::show_information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtUiDialogs::open_url(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}
