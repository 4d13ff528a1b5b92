#pragma once

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QWidget;

// Every dialog, alert and browser hand-off of the window goes through one of
// these, so tests can answer them without a modal loop.
class UiDialogs {
public:
    struct Confirmation {
        QString title;
        QString message;
        QString action_title;
        bool destructive = false;
    };

    // A progress dialog for long work, with a Cancel button; it goes when destroyed.
    class Progress {
    public:
        virtual ~Progress() = default;
        // The share done, from 0 to 1. Keeps the window responsive meanwhile;
        // false once the user cancelled.
        virtual bool report(double fraction) = 0;
    };

    virtual ~UiDialogs() = default;

    // True when the user chose the action, false on cancel.
    virtual bool confirm(QWidget* parent, const Confirmation& confirmation) = 0;

    // The chosen path, or none when the user cancelled. `filter` is a file
    // dialog name filter such as "PDF (*.pdf)".
    virtual std::optional<QString> save_file_name(QWidget* parent, const QString& proposed_name,
                                                  const QString& filter) = 0;

    // A modal critical alert with a message and its detail.
    virtual void show_error(QWidget* parent, const QString& message, const QString& detail) = 0;

    // A modal information box (About Tessary). Dialog seams that never show one
    // need not answer it.
    virtual void show_information(QWidget* parent, const QString& title, const QString& text)
    {
        (void)parent;
        (void)title;
        (void)text;
    }

    // Shows `label` with a progress bar and a Cancel button while the work runs
    // (only when it takes more than a moment).
    virtual std::unique_ptr<Progress> show_progress(QWidget* parent, const QString& label) = 0;

    // Opens a web page or a custom-scheme link in the desktop's default handler.
    virtual void open_url(const QUrl& url) = 0;
};
