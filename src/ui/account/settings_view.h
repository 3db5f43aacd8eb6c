#pragma once

#include "connection/vpn_connection.h"
#include "ui/account/desktop_apps.h"
#include "ui/account/sheet_opener.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class AppState;
class BiometricAuth;
class Button;
class DnsSection;
class LanguageManager;
class LoginItem;
class AppEvents;
class PingService;
class QCheckBox;
class QVBoxLayout;
class SettingsStore;
class SpeedTestSection;
class SplitTunnelSection;
class SystemCleanup;
class UrlOpener;
class VpnSection;
namespace SettingsForm {
class ChoicePicker;
class Section;
} // namespace SettingsForm

// The settings form (tab 2): account, VPN, DNS, per-application bypass, security, appearance,
// language, speed test, general and about. Most controls store a setting that other parts of
// the program read; the modes, the kill switch, the login item and the application list act on
// their owners at once.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppState& appState;
        LanguageManager& languageManager;
        VpnConnection& connection;
        SettingsStore& settings;
        AppEvents& notifier;
        LoginItem& loginItem;
        BiometricAuth& biometric;
        PingService& ping;
        UrlOpener& urlOpener;
        // The service's web site: its home page, "/privacy", "/terms" and the speed-test file.
        QString webSite;
        // Checks for a newer version and also confirms an up-to-date one.
        std::function<void()> checkForUpdates;
        SheetOpener openSignIn;
        // The speed test's download goes through the local core.
        std::optional<QNetworkProxy> speedTestProxy
            = QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), VpnConnection::proxyPort);
        std::chrono::milliseconds speedTestIdleTimeout{5000};
        QStringList applicationDirectories = DesktopApps::standardDirectories();
    };

    explicit SettingsView(Services services, QWidget* parent = nullptr);

    // "CFBundleShortVersionString" here: the application's version, "1.0" when it has none.
    static QString versionString();

    VpnSection* vpnSection() const { return m_vpn; }
    DnsSection* dnsSection() const { return m_dns; }
    SplitTunnelSection* splitTunnelSection() const { return m_splitTunnel; }
    SpeedTestSection* speedTestSection() const { return m_speedTest; }
    SystemCleanup* cleanup() const { return m_cleanup; }
    Button* cleanupButton() const { return m_cleanupButton; }
    QCheckBox* touchIdToggle() const { return m_touchId; }
    QCheckBox* launchOnLoginToggle() const { return m_launchOnLogin; }
    SettingsForm::ChoicePicker* themePicker() const { return m_theme; }
    SettingsForm::ChoicePicker* accentPicker() const { return m_accent; }
    SettingsForm::ChoicePicker* languagePicker() const { return m_language; }
    QWidget* accountRow() const { return m_accountRow; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    SettingsForm::Section* buildAccountSection();
    void scheduleAccountRefresh();
    void refreshAccount();
    SettingsForm::Section* buildSecuritySection();
    void onTouchIdToggled(bool on);
    void onLaunchOnLoginToggled(bool on);
    SettingsForm::Section* buildAppearanceSection();
    SettingsForm::Section* buildLanguageSection();
    SettingsForm::Section* buildGeneralSection();
    SettingsForm::Section* buildAboutSection();
    Button* linkTo(const QString& title, const QString& path);

    Services m_services;
    QVBoxLayout* m_column;
    SettingsForm::Section* m_account = nullptr;
    QWidget* m_accountRow = nullptr;
    bool m_accountRefreshQueued = false;
    VpnSection* m_vpn;
    DnsSection* m_dns;
    SplitTunnelSection* m_splitTunnel;
    SpeedTestSection* m_speedTest;
    SystemCleanup* m_cleanup;
    Button* m_cleanupButton = nullptr;
    QCheckBox* m_touchId = nullptr;
    QCheckBox* m_launchOnLogin = nullptr;
    SettingsForm::ChoicePicker* m_theme = nullptr;
    SettingsForm::ChoicePicker* m_accent = nullptr;
    SettingsForm::ChoicePicker* m_language = nullptr;
};
