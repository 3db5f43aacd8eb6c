#pragma once

#include "ui/account/settings_form.h"

#include <QHash>

class AppEvents;
class QCheckBox;
class QLabel;
class SettingsStore;
class VpnConnection;

// "VPN 设置": proxy and routing mode with their descriptions, and the switches of the connection:
// automatic connect, fastest node, reconnect, status icon, window on connect, notices and the
// kill switch. The kill switch shows the user's wish; while connected it is applied at once, and
// when the engine's rules do not match the wish the section says so.
class VpnSection : public SettingsForm::Section {
    Q_OBJECT
public:
    VpnSection(VpnConnection& connection, SettingsStore& settings, AppEvents& notifier, QWidget* parent = nullptr);

    SettingsForm::ChoicePicker* proxyModePicker() const { return m_proxyMode; }
    QLabel* proxyModeCaption() const { return m_proxyModeCaption; }
    SettingsForm::ChoicePicker* routingPicker() const { return m_routing; }
    QLabel* routingCaption() const { return m_routingCaption; }
    // The switch of a settings key ("autoConnect", "killSwitchEnabled"…).
    QCheckBox* toggle(const QString& key) const { return m_toggles.value(key); }
    QLabel* killSwitchWarning() const { return m_killSwitchWarning; }

private:
    void refreshProxyModeCaption();
    void refreshRouting();
    void applyKillSwitch(bool wanted);
    bool rulesWanted() const;
    // Whether the engine's rules are loaded exactly when wanted.
    bool killSwitchAsWished() const;
    // On any change: the warning after a finished step, else only taken down once all agrees.
    void refreshKillSwitchWarning();
    void hideKillSwitchWarningWhenSettled();
    // After a kill-switch step has ended: says so when the rules are not as wished.
    void showKillSwitchOutcome();

    VpnConnection& m_connection;
    SettingsStore& m_settings;
    SettingsForm::ChoicePicker* m_proxyMode;
    QLabel* m_proxyModeCaption;
    SettingsForm::ChoicePicker* m_routing;
    QLabel* m_routingCaption;
    QHash<QString, QCheckBox*> m_toggles;
    QLabel* m_killSwitchWarning;
};
