#include "ui/AddDomainDialog.h"

#include "i18n/L10n.h"
#include "model/DomainHost.h"
#include "model/DomainSettings.h"
#include "store/TessaryStore.h"
#include "ui/AppIcons.h"
#include "ui/ToggleSwitch.h"
#include "ui/UserAgentComboBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A suffix that makes the spin box read exactly as `format` writes a value
// ("120 seconds", "48 uur").
QString unit_suffix(QString (*format)(qint64))
{
    return format(0).mid(1);
}

QLabel* caption_label(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QFrame* group_box(QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Base);
    return frame;
}

} // namespace

AddDomainDialog::AddDomainDialog(TessaryStore& store, QWidget* parent)
    : QDialog(parent), store_(store)
{
    setObjectName(QStringLiteral("add_domain_dialog"));
    setWindowTitle(L10n::text(u"Add Domain", u"Domein toevoegen"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(500);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(12);

    auto* title = new QLabel(L10n::text(u"Add Domain", u"Domein toevoegen"), this);
    title->setObjectName(QStringLiteral("add_domain_title"));
    QFont title_font = title->font();
    title_font.setPointSizeF(title_font.pointSizeF() * 1.35);
    title_font.setWeight(QFont::DemiBold);
    title->setFont(title_font);
    layout->addWidget(title);

    // The domain and its restore suggestions.
    QFrame* url_group = group_box(this);
    auto* url_form = new QFormLayout(url_group);
    url_form->setContentsMargins(12, 10, 12, 10);
    url_field_ = new QLineEdit(url_group);
    url_field_->setObjectName(QStringLiteral("url_field"));
    url_field_->setPlaceholderText(QStringLiteral("example.com"));
    url_field_->setClearButtonEnabled(true);
    url_form->addRow(L10n::text(u"Domain or URL", u"Domein of URL"), url_field_);
    layout->addWidget(url_group);

    suggestions_section_ = new QWidget(this);
    suggestions_section_->setObjectName(QStringLiteral("suggestions_section"));
    auto* section_layout = new QVBoxLayout(suggestions_section_);
    section_layout->setContentsMargins(0, 0, 0, 0);
    section_layout->setSpacing(4);
    section_layout->addWidget(
        caption_label(L10n::text(u"Previously added", u"Eerder toegevoegd"), suggestions_section_));
    QFrame* suggestions_group = group_box(suggestions_section_);
    suggestions_layout_ = new QVBoxLayout(suggestions_group);
    suggestions_layout_->setContentsMargins(4, 4, 4, 4);
    suggestions_layout_->setSpacing(0);
    section_layout->addWidget(suggestions_group);
    layout->addWidget(suggestions_section_);

    // The monitoring settings.
    QFrame* settings_group = group_box(this);
    auto* form = new QFormLayout(settings_group);
    form->setContentsMargins(12, 10, 12, 10);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);

    interval_ = new QSpinBox(settings_group);
    interval_->setObjectName(QStringLiteral("interval_spin_box"));
    interval_->setRange(DomainSettings::minimum_interval_seconds,
                        DomainSettings::maximum_interval_seconds);
    interval_->setSingleStep(5);
    interval_->setSuffix(unit_suffix(&L10n::seconds));
    interval_->setValue(DomainSettings::default_interval_seconds);
    interval_->setMinimumWidth(170);
    form->addRow(QStringLiteral("Interval"), interval_);

    lookback_ = new QSpinBox(settings_group);
    lookback_->setObjectName(QStringLiteral("lookback_spin_box"));
    lookback_->setRange(DomainSettings::minimum_max_history_hours,
                        DomainSettings::maximum_max_history_hours);
    lookback_->setSingleStep(1);
    lookback_->setSuffix(unit_suffix(&L10n::hours));
    lookback_->setValue(DomainSettings::default_max_history_hours);
    lookback_->setMinimumWidth(170);
    form->addRow(L10n::text(u"History lookback", u"Maximale terugblik"), lookback_);

    user_agent_ = new UserAgentComboBox(DomainSettings::default_user_agent(), settings_group);
    form->addRow(QStringLiteral("User agent"), user_agent_);

    active_ = new ToggleSwitch(settings_group);
    active_->setObjectName(QStringLiteral("active_switch"));
    active_->setChecked(true);
    active_->setAccessibleName(L10n::text(u"Active", u"Actief"));
    form->addRow(L10n::text(u"Active", u"Actief"), active_);

    notifies_ = new QCheckBox(
        L10n::text(u"Notifications on anomalies", u"Notificaties bij afwijkingen"), settings_group);
    notifies_->setObjectName(QStringLiteral("notifications_check_box"));
    form->addRow(QString(), notifies_);
    layout->addWidget(settings_group);

    error_label_ = new QLabel(this);
    error_label_->setObjectName(QStringLiteral("error_label"));
    error_label_->setWordWrap(true);
    QPalette error_palette = error_label_->palette();
    error_palette.setColor(QPalette::WindowText, QColor(255, 59, 48));
    error_label_->setPalette(error_palette);
    error_label_->hide();
    layout->addWidget(error_label_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(L10n::text(u"Cancel", u"Annuleren"), this);
    cancel->setObjectName(QStringLiteral("cancel_button"));
    cancel->setAutoDefault(false);
    add_button_ = new QPushButton(L10n::text(u"Add", u"Toevoegen"), this);
    add_button_->setObjectName(QStringLiteral("add_button"));
    add_button_->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(add_button_);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(add_button_, &QPushButton::clicked, this, &AddDomainDialog::add);
    connect(url_field_, &QLineEdit::textChanged, this, [this] {
        update_add_enabled();
        rebuild_suggestions();
    });
    connect(&store_, &TessaryStore::deleted_domain_suggestions_changed, this,
            &AddDomainDialog::rebuild_suggestions);

    update_add_enabled();
    rebuild_suggestions();
    url_field_->setFocus();
}

QList<DomainRestoreSuggestion>
AddDomainDialog::filtered_suggestions(const QList<DomainRestoreSuggestion>& suggestions,
                                      const QString& url_text)
{
    const QString query = url_text.trimmed().toLower();
    QList<DomainRestoreSuggestion> result;
    for (const DomainRestoreSuggestion& suggestion : suggestions) {
        if (result.size() >= max_suggestions)
            break;
        if (query.isEmpty() || domain_host(suggestion.url_string).toLower().contains(query) ||
            suggestion.url_string.toLower().contains(query))
            result.append(suggestion);
    }
    return result;
}

void AddDomainDialog::apply(const DomainRestoreSuggestion& suggestion)
{
    {
        // Filling the field is not typing: the list stays as it was until the next keystroke.
        const QSignalBlocker blocker(url_field_);
        url_field_->setText(suggestion.url_string);
    }
    update_add_enabled();
    interval_->setValue(suggestion.interval_seconds);
    lookback_->setValue(suggestion.max_history_hours);
    user_agent_->setEditText(suggestion.user_agent);
    active_->setChecked(suggestion.is_active);
    notifies_->setChecked(suggestion.notifies_on_anomalies);
    show_error(std::nullopt);
}

void AddDomainDialog::add()
{
    if (url_field_->text().trimmed().isEmpty())
        return;
    const std::optional<QString> error =
        store_.add_domain(url_field_->text(), interval_->value(), lookback_->value(),
                          user_agent_->value(), active_->isChecked(), notifies_->isChecked());
    show_error(error);
    if (!error)
        accept();
}

void AddDomainDialog::update_add_enabled()
{
    add_button_->setEnabled(!url_field_->text().trimmed().isEmpty());
}

void AddDomainDialog::show_error(const std::optional<QString>& message)
{
    error_label_->setText(message.value_or(QString()));
    error_label_->setVisible(message.has_value());
    // A screen reader in the field hears what is wrong with it.
    url_field_->setAccessibleDescription(message.value_or(QString()));
}

void AddDomainDialog::rebuild_suggestions()
{
    const QList<DomainRestoreSuggestion> suggestions =
        filtered_suggestions(store_.restore_suggestions(), url_field_->text());
    if (suggestions == shown_suggestions_ && !suggestions.isEmpty())
        return;
    shown_suggestions_ = suggestions;
    while (QLayoutItem* item = suggestions_layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < suggestions.size(); ++i)
        suggestions_layout_->addWidget(make_suggestion_row(suggestions[i], i));
    suggestions_section_->setVisible(!suggestions.isEmpty());
    adjustSize();
}

QWidget* AddDomainDialog::make_suggestion_row(const DomainRestoreSuggestion& suggestion, int index)
{
    auto* row = new QPushButton(suggestions_section_);
    row->setObjectName(QStringLiteral("suggestion_row_%1").arg(index));
    row->setFlat(true);
    row->setAutoDefault(false);
    row->setCursor(Qt::PointingHandCursor);
    auto* row_layout = new QHBoxLayout(row);
    row_layout->setContentsMargins(8, 4, 8, 4);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* host = new QLabel(domain_host(suggestion.url_string), row);
    host->setObjectName(QStringLiteral("suggestion_host"));
    texts->addWidget(host);
    const QString caption = suggestion.is_archived
                                ? L10n::text(u"Archived - measurement history will be restored",
                                             u"Gearchiveerd - meetgeschiedenis wordt hersteld")
                                : L10n::text(u"Deleted - previous settings will be restored",
                                             u"Verwijderd - eerdere instellingen worden hersteld");
    texts->addWidget(caption_label(caption, row));
    // The button's own text is empty: its labels are drawn as children.
    row->setAccessibleName(host->text() + QStringLiteral(", ") + caption);
    row_layout->addLayout(texts, 1);
    auto* icon = new QLabel(row);
    icon->setPixmap(
        AppIcons::icon(suggestion.is_archived ? AppIcons::archive : AppIcons::clear_history)
            .pixmap(16, 16));
    row_layout->addWidget(icon);
    for (QLabel* label : row->findChildren<QLabel*>())
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    const int height = row_layout->sizeHint().height();
    row->setMinimumHeight(height);
    connect(row, &QPushButton::clicked, this, [this, suggestion] { apply(suggestion); });
    return row;
}
