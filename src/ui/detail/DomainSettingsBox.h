#pragma once

#include "model/Clock.h"
#include "model/MonitoredDomain.h"

#include <QGroupBox>

class CountdownRow;
class QLabel;
class QLineEdit;
class QSpinBox;
class TessaryStore;
class ToggleSwitch;
class UserAgentComboBox;

// The domain's monitoring settings, edited in place. A stepper or switch change
// saves at once, the URL on Return, the user agent when the field commits a new
// value. Every save sends the store's current record with the edited fields, so
// measurements recorded meanwhile are kept.
class DomainSettingsBox : public QGroupBox {
    Q_OBJECT

public:
    DomainSettingsBox(TessaryStore& store, const MonitoredDomain& domain, Clock& clock,
                      QWidget* parent = nullptr);

    // The stored settings changed elsewhere: fields the user is not editing follow.
    void show_stored_settings(const MonitoredDomain& domain);
    CountdownRow& countdown() const { return *countdown_; }

private:
    void save_settings();
    void commit_user_agent(const QString& user_agent);
    // The URL to send: the stored one while the field shows it unchanged (so a
    // port or scheme the field does not show is kept), else the typed text.
    // None when the typed text is not a usable URL.
    std::optional<QString> url_to_save(const MonitoredDomain& current);
    const MonitoredDomain* current_domain() const;

    TessaryStore& store_;
    QUuid domain_id_;
    MonitoredDomain shown_;
    QLineEdit* url_;
    QLabel* url_error_;
    QSpinBox* interval_;
    QSpinBox* lookback_;
    UserAgentComboBox* user_agent_;
    ToggleSwitch* active_;
    ToggleSwitch* notifies_;
    CountdownRow* countdown_;
};
