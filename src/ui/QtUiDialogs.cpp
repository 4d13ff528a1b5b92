#include "ui/QtUiDialogs.h"

#include "i18n/L10n.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <cmath>

namespace {

class DialogProgress final : public UiDialogs::Progress {
public:
    DialogProgress(QWidget* parent, const QString& label)
        : dialog_(label, L10n::text(u"Cancel", u"Annuleren"), 0, steps, parent)
    {
        dialog_.setObjectName(QStringLiteral("progress_dialog"));
        dialog_.setWindowModality(Qt::WindowModal);
        // Quick work finishes before the dialog would appear.
        dialog_.setMinimumDuration(400);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
    }

    bool report(double fraction) override
    {
        dialog_.setValue(int(std::lround(fraction * steps)));
        // Repaints, and hears the Cancel button.
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    static constexpr int steps = 1000;
    QProgressDialog dialog_;
};

} // namespace

std::unique_ptr<QMessageBox> QtUiDialogs::confirmation_box(QWidget* parent,
                                                           const Confirmation& confirmation)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setObjectName(QStringLiteral("confirmation_box"));
    box->setIcon(confirmation.destructive ? QMessageBox::Warning : QMessageBox::Question);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(confirmation.title);
    box->setText(confirmation.title);
    box->setInformativeText(confirmation.message);
    // Room for the message on a few lines rather than a narrow column.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 340px; }"));
    QPushButton* action = box->addButton(confirmation.action_title,
                                         confirmation.destructive ? QMessageBox::DestructiveRole
                                                                  : QMessageBox::AcceptRole);
    action->setObjectName(QStringLiteral("confirmation_action"));
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    return box;
}

bool QtUiDialogs::confirm(QWidget* parent, const Confirmation& confirmation)
{
    const std::unique_ptr<QMessageBox> box = confirmation_box(parent, confirmation);
    box->exec();
    const QAbstractButton* clicked = box->clickedButton();
    return clicked != nullptr && clicked->objectName() == QStringLiteral("confirmation_action");
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

std::unique_ptr<UiDialogs::Progress> QtUiDialogs::show_progress(QWidget* parent,
                                                                const QString& label)
{
    return std::make_unique<DialogProgress>(parent, label);
}

void QtUiDialogs::open_url(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}
