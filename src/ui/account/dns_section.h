#pragma once

#include "ui/account/settings_form.h"

class QLabel;
class QLineEdit;
class SettingsStore;

// "DNS 设置": the user's DNS servers, stored as typed under "customDNS". The hint says what the
// text does: nothing when empty, used by the core from the next connect when it is a list of
// IPv4/IPv6 addresses, and not used at all otherwise.
class DnsSection : public SettingsForm::Section {
    Q_OBJECT
public:
    DnsSection(SettingsStore& settings, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QLabel* hint() const { return m_hint; }

private:
    void refreshHint();

    SettingsStore& m_settings;
    QLineEdit* m_field;
    QLabel* m_hint;
};
