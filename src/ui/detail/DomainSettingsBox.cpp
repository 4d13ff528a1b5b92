#include "ui/detail/DomainSettingsBox.h"

#include "i18n/L10n.h"
#include "model/UrlNormalizer.h"
#include "store/TessaryStore.h"
#include "ui/AppColors.h"
#include "ui/ToggleSwitch.h"
#include "ui/UserAgentComboBox.h"
#include "ui/detail/CountdownRow.h"
#include "ui/detail/EditableUrl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

QSpinBox* make_stepper(const QString& name, int minimum, int maximum, int step, int value,
                       const QString& suffix, QWidget* parent)
{
    auto* stepper = new QSpinBox(parent);
    stepper->setObjectName(name);
    stepper->setRange(minimum, maximum);
    stepper->setSingleStep(step);
    stepper->setValue(value);
    stepper->setSuffix(suffix);
    // A value counts when it is stepped, or typed and confirmed: not per keystroke.
    stepper->setKeyboardTracking(false);
    stepper->setMinimumWidth(150);
    return stepper;
}

// The settings without the history: holding the store's list would make the
// store copy all of it on its next measurement.
MonitoredDomain without_history(const MonitoredDomain& domain)
{
    MonitoredDomain copy = domain;
    copy.measurements = {};
    return copy;
}

// " seconds" of "0 seconds": the steppers show L10n's count texts as value and unit.
QString unit_of(const QString& zero_count)
{
    return zero_count.mid(1);
}

QHBoxLayout* with_stretch(QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(widget);
    row->addStretch(1);
    return row;
}

} // namespace

DomainSettingsBox::DomainSettingsBox(TessaryStore& store, const MonitoredDomain& domain,
                                     Clock& clock, QWidget* parent)
    : QGroupBox(L10n::text(u"Settings", u"Instellingen"), parent), store_(store),
      domain_id_(domain.id), url_(new QLineEdit(this)), url_error_(new QLabel(this)),
      interval_(make_stepper(QStringLiteral("interval_stepper"),
                             DomainSettings::minimum_interval_seconds,
                             DomainSettings::maximum_interval_seconds, 5, domain.interval_seconds,
                             unit_of(L10n::seconds(0)), this)),
      lookback_(make_stepper(QStringLiteral("lookback_stepper"),
                             DomainSettings::minimum_max_history_hours,
                             DomainSettings::maximum_max_history_hours, 1, domain.max_history_hours,
                             unit_of(L10n::hours(0)), this)),
      user_agent_(new UserAgentComboBox(domain.user_agent, this)), active_(new ToggleSwitch(this)),
      notifies_(new ToggleSwitch(this)), countdown_(new CountdownRow(store, domain.id, clock, this))
{
    setObjectName(QStringLiteral("settings_box"));
    shown_ = without_history(domain);
    url_->setObjectName(QStringLiteral("url_field"));
    url_->setPlaceholderText(QStringLiteral("URL"));
    url_->setText(editable_url(domain.url_string));
    url_error_->setObjectName(QStringLiteral("url_error"));
    QPalette red = url_error_->palette();
    red.setColor(QPalette::WindowText, AppColors::red());
    url_error_->setPalette(red);
    url_error_->setVisible(false);

    active_->setObjectName(QStringLiteral("active_switch"));
    active_->setAccessibleName(L10n::text(u"Active", u"Actief"));
    active_->setToolTip(L10n::text(u"Active", u"Actief"));
    active_->setChecked(domain.is_active);
    notifies_->setObjectName(QStringLiteral("notifications_switch"));
    notifies_->setAccessibleName(
        L10n::text(u"Notifications on anomalies", u"Notificaties bij afwijkingen"));
    notifies_->setToolTip(notifies_->accessibleName());
    notifies_->setChecked(domain.notifies_on_anomalies);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    // Each field is its label's buddy: a screen reader names it after the label.
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setBuddy(buddy);
        return l;
    };
    int row = 0;
    grid->addWidget(label(QStringLiteral("URL"), url_), row, 0);
    grid->addWidget(url_, row++, 1);
    grid->addWidget(url_error_, row++, 1);
    grid->addWidget(label(QStringLiteral("Interval"), interval_), row, 0);
    grid->addLayout(with_stretch(interval_), row++, 1);
    grid->addWidget(countdown_, row++, 1);
    grid->addWidget(label(L10n::text(u"History lookback", u"Maximale terugblik"), lookback_), row,
                    0);
    grid->addLayout(with_stretch(lookback_), row++, 1);
    grid->addWidget(label(QStringLiteral("User agent"), user_agent_), row, 0);
    grid->addWidget(user_agent_, row++, 1);
    grid->addWidget(label(QStringLiteral("Monitoring"), active_), row, 0);
    grid->addWidget(active_, row++, 1);
    grid->addWidget(label(L10n::text(u"Notifications", u"Notificaties"), notifies_), row, 0);
    grid->addWidget(notifies_, row++, 1);

    connect(url_, &QLineEdit::returnPressed, this, &DomainSettingsBox::save_settings);
    connect(url_, &QLineEdit::textEdited, this, [this] {
        url_error_->setVisible(false);
        url_->setAccessibleDescription(QString());
    });
    connect(interval_, &QSpinBox::valueChanged, this, &DomainSettingsBox::save_settings);
    connect(lookback_, &QSpinBox::valueChanged, this, &DomainSettingsBox::save_settings);
    connect(active_, &ToggleSwitch::toggled, this, &DomainSettingsBox::save_settings);
    connect(notifies_, &ToggleSwitch::toggled, this, &DomainSettingsBox::save_settings);
    connect(user_agent_, &UserAgentComboBox::committed, this,
            &DomainSettingsBox::commit_user_agent);
}

const MonitoredDomain* DomainSettingsBox::current_domain() const
{
    return store_.domain_with_id(domain_id_);
}

std::optional<QString> DomainSettingsBox::url_to_save(const MonitoredDomain& current)
{
    const QString typed = url_->text();
    if (typed == editable_url(current.url_string))
        return current.url_string;
    if (!UrlNormalizer::normalize_url(typed)) {
        url_error_->setText(L10n::text(u"Enter a valid domain or URL.",
                                       u"Voer een geldig domein of een geldige URL in."));
        url_error_->setVisible(true);
        url_->setAccessibleDescription(url_error_->text()); // heard in the field
        return std::nullopt;
    }
    url_error_->setVisible(false);
    return typed;
}

void DomainSettingsBox::save_settings()
{
    const MonitoredDomain* current = current_domain();
    if (current == nullptr)
        return;
    const DomainSettings stored = current->settings();
    DomainSettings edited;
    // The store would refuse the other settings along with a URL it cannot use:
    // such a URL is refused here and the stored one is sent with the others.
    edited.url_string = url_to_save(*current).value_or(current->url_string);
    edited.interval_seconds = interval_->value();
    edited.max_history_hours = lookback_->value();
    edited.user_agent = user_agent_->value();
    edited.is_active = active_->isChecked();
    edited.notifies_on_anomalies = notifies_->isChecked();
    if (edited == stored)
        return;
    store_.update_domain(domain_id_, edited);
}

void DomainSettingsBox::commit_user_agent(const QString& user_agent)
{
    const MonitoredDomain* current = current_domain();
    if (current == nullptr)
        return;
    DomainSettings edited = current->settings();
    if (edited.user_agent == user_agent)
        return;
    edited.user_agent = user_agent;
    store_.update_domain(domain_id_, edited);
}

void DomainSettingsBox::show_stored_settings(const MonitoredDomain& domain)
{
    const MonitoredDomain before = shown_;
    shown_ = without_history(domain);
    if (domain.url_string != before.url_string && !url_->hasFocus() && !url_error_->isVisible())
        url_->setText(editable_url(domain.url_string));
    else if (domain.url_string != before.url_string && url_->hasFocus() &&
             UrlNormalizer::url_key(url_->text()) == UrlNormalizer::url_key(domain.url_string))
        url_->setText(editable_url(domain.url_string));
    const QSignalBlocker block_interval(interval_);
    const QSignalBlocker block_lookback(lookback_);
    const QSignalBlocker block_active(active_);
    const QSignalBlocker block_notifies(notifies_);
    if (domain.interval_seconds != before.interval_seconds)
        interval_->setValue(domain.interval_seconds);
    if (domain.max_history_hours != before.max_history_hours)
        lookback_->setValue(domain.max_history_hours);
    if (domain.is_active != before.is_active)
        active_->setChecked(domain.is_active);
    if (domain.notifies_on_anomalies != before.notifies_on_anomalies)
        notifies_->setChecked(domain.notifies_on_anomalies);
    if (domain.user_agent != before.user_agent)
        user_agent_->set_value(domain.user_agent);
}
