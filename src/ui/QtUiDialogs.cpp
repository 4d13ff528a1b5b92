#include "ui/QtUiDialogs.h"

#include "i18n/L10n.h"
#include "ui/SaveFileName.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
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
        // Repaints, and hears the Cancel button. Until the dialog shows (and
        // blocks the window), the window must not take clicks mid-export.
        QCoreApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
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
    const QString extension = SaveFileName::filter_extension(filter);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    // The dialog adds it to a name without a dot and asks before replacing that file.
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(QDir::home().filePath(proposed_name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString path = SaveFileName::with_extension(chosen, extension);
    // A name with a dot of its own ("v1.2") gets the extension only here.
    if (path != chosen && QFileInfo::exists(path)) {
        const QString name = QFileInfo(path).fileName();
        const Confirmation replace{
            L10n::text(u"Replace \u201C", u"\u201C") + name +
                L10n::text(u"\u201D?", u"\u201D vervangen?"),
            L10n::text(u"A file with this name already exists. Replacing it overwrites it.",
                       u"Er bestaat al een bestand met deze naam. Vervangen overschrijft het."),
            L10n::text(u"Replace", u"Vervangen"), true};
        if (!confirm(parent, replace))
            return std::nullopt;
    }
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
