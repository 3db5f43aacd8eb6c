#pragma once

#include <QWidget>

class Button;
class LoginItem;
class SegmentedPicker;
class SettingsStore;
class ToggleSwitch;
class VpnConnection;

// The popover's mode row: the proxy mode (SOCKS5, TUN) and the routing mode (rule, global) of the
// connection, which restarts a running core on a change of the routing mode.
class PopoverModeRow : public QWidget {
    Q_OBJECT
public:
    PopoverModeRow(VpnConnection& vpn, QWidget* parent = nullptr);

    SegmentedPicker* proxyMode() const { return m_proxyMode; }
    SegmentedPicker* routingMode() const { return m_routingMode; }

private:
    void refresh();

    VpnConnection& m_vpn;
    SegmentedPicker* m_proxyMode;
    SegmentedPicker* m_routingMode;
};

// The popover's quick settings and ways out: the launch-at-login switch (stored under
// "launchOnLogin"; a refused change springs back once), the system-proxy switch (usable while
// connected; it shows what the connection manager reports, so a failed change springs back),
// and the buttons that open the main window and quit.
class PopoverQuickSettings : public QWidget {
    Q_OBJECT
public:
    PopoverQuickSettings(VpnConnection& vpn, SettingsStore& settings, LoginItem& loginItem, QWidget* parent = nullptr);

    ToggleSwitch* launchOnLogin() const { return m_launchOnLogin; }
    ToggleSwitch* systemProxy() const { return m_systemProxy; }
    Button* openButton() const { return m_open; }
    Button* quitButton() const { return m_quit; }

signals:
    void openMainWindowRequested();
    void quitRequested();

private:
    void setLaunchOnLogin(bool enabled);
    void setSystemProxy(bool enabled);
    void refresh();

    VpnConnection& m_vpn;
    SettingsStore& m_settings;
    LoginItem& m_loginItem;
    ToggleSwitch* m_launchOnLogin;
    ToggleSwitch* m_systemProxy;
    Button* m_open;
    Button* m_quit;
};
