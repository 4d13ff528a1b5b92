#pragma once

#include "store/DomainRestoreSuggestion.h"

#include <QDialog>
#include <QList>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class QWidget;
class TessaryStore;
class ToggleSwitch;
class UserAgentComboBox;

// The form in which the user adds a domain. Add hands the values to the store's
// add_domain, which validates and normalises them; the form only shows its answer.
class AddDomainDialog final : public QDialog {
    Q_OBJECT

public:
    AddDomainDialog(TessaryStore& store, QWidget* parent);

    static constexpr int max_suggestions = 8;

    // The store's restore suggestions that match `url_text` (trimmed, any case) in
    // their host or their whole URL; all of them for an empty text; at most eight.
    static QList<DomainRestoreSuggestion>
    filtered_suggestions(const QList<DomainRestoreSuggestion>& suggestions,
                         const QString& url_text);

    // Copies a suggestion's settings into the form (nothing is added yet).
    void apply(const DomainRestoreSuggestion& suggestion);

private:
    void add();
    void update_add_enabled();
    void rebuild_suggestions();
    void show_error(const std::optional<QString>& message);
    QWidget* make_suggestion_row(const DomainRestoreSuggestion& suggestion, int index);

    TessaryStore& store_;
    QLineEdit* url_field_ = nullptr;
    QWidget* suggestions_section_ = nullptr;
    QVBoxLayout* suggestions_layout_ = nullptr;
    QSpinBox* interval_ = nullptr;
    QSpinBox* lookback_ = nullptr;
    UserAgentComboBox* user_agent_ = nullptr;
    ToggleSwitch* active_ = nullptr;
    QCheckBox* notifies_ = nullptr;
    QLabel* error_label_ = nullptr;
    QPushButton* add_button_ = nullptr;
    QList<DomainRestoreSuggestion> shown_suggestions_;
};
