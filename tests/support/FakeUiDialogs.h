#pragma once

#include "ui/UiDialogs.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <deque>
#include <optional>

// Answers the window's dialogs from the test's script and records what they showed.
class FakeUiDialogs final : public UiDialogs {
public:
    struct Error {
        QString message;
        QString detail;
    };

    bool confirm(QWidget*, const Confirmation& confirmation) override
    {
        confirmations.append(confirmation);
        if (confirm_answers.empty())
            return false;
        const bool answer = confirm_answers.front();
        confirm_answers.pop_front();
        return answer;
    }

    std::optional<QString> save_file_name(QWidget*, const QString& proposed_name,
                                          const QString& filter) override
    {
        proposed_names.append(proposed_name);
        filters.append(filter);
        return save_answer;
    }

    void show_error(QWidget*, const QString& message, const QString& detail) override
    {
        errors.append({message, detail});
    }

    void show_information(QWidget*, const QString& title, const QString& text) override
    {
        informations.append(title + QStringLiteral("\n") + text);
    }

    // Records what it was told; the user cancels at the report numbered
    // `cancel_at_report` (from 1), if any.
    class RecordingProgress final : public Progress {
    public:
        explicit RecordingProgress(FakeUiDialogs& owner) : owner_(owner) {}
        bool report(double fraction) override
        {
            owner_.progress_reports.append(fraction);
            return owner_.progress_reports.size() != owner_.cancel_at_report;
        }

    private:
        FakeUiDialogs& owner_;
    };

    std::unique_ptr<Progress> show_progress(QWidget*, const QString& label) override
    {
        progress_labels.append(label);
        return std::make_unique<RecordingProgress>(*this);
    }

    void open_url(const QUrl& url) override { opened_urls.append(url); }

    // Answers, in order; without one a confirmation is cancelled.
    std::deque<bool> confirm_answers;
    // The path every save dialog returns; none is a cancel.
    std::optional<QString> save_answer;
    qsizetype cancel_at_report = 0;

    QList<Confirmation> confirmations;
    QStringList proposed_names;
    QStringList filters;
    QList<Error> errors;
    QStringList informations;
    QStringList progress_labels;
    QList<double> progress_reports;
    QList<QUrl> opened_urls;
};
