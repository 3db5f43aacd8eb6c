#pragma once

#include "api/api_service.h"
#include "app/app_events.h"
#include "app/app_state.h"
#include "app/application_proxy.h"
#include "app/ip_info_service.h"
#include "app/keychain_helper.h"
#include "app/startup_rules.h"
#include "app/url_opener.h"
#include "connection/child_process.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"
#include "connection/xray_manager.h"
#include "platform/admin_script_runner.h"
#include "platform/biometric_auth.h"
#include "platform/language_manager.h"
#include "platform/login_item.h"
#include "platform/process_runner.h"
#include "platform/secret_store.h"
#include "platform/settings_store.h"
#include "platform/user_notifier.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <memory>

// The application's long-lived objects without a window, each built once, in the order of the
// members below, and freed in reverse. main() makes the one context; every screen and service is
// handed what it uses from it. What reaches the system comes in through the environment, so
// that tests build the same context over fakes.
class AppContext {
public:
    struct Environment {
        QString settingsPath;
        std::unique_ptr<ProcessRunner> processes;
        std::unique_ptr<AdminScriptRunner> adminScripts;
        std::unique_ptr<SecretStore> secrets;
        std::unique_ptr<LoginItem> loginItem;
        std::unique_ptr<BiometricAuth> biometric;
        std::unique_ptr<UserNotifier> userNotifier;
        std::unique_ptr<ChildProcessLauncher> launcher;
        std::unique_ptr<UrlOpener> urlOpener;
        XrayManager::Options xrayOptions;
        QStringList domainPool;
        ApiService::Options apiOptions;
        QList<QUrl> ipEndpoints = IPInfoService::defaultEndpoints();
        VpnTimings vpnTimings;
        StartupTimings startupTimings;

        // This system's implementations, the settings file and the service's own domains.
        static Environment native();
    };

    explicit AppContext(Environment environment);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    ProcessRunner& processes() { return *m_environment.processes; }
    AdminScriptRunner& adminScripts() { return *m_environment.adminScripts; }
    LoginItem& loginItem() { return *m_environment.loginItem; }
    BiometricAuth& biometric() { return *m_environment.biometric; }
    UserNotifier& userNotifier() { return *m_environment.userNotifier; }
    UrlOpener& urlOpener() { return *m_environment.urlOpener; }
    const QStringList& domainPool() const { return m_environment.domainPool; }
    const ApiService::Options& apiOptions() const { return m_environment.apiOptions; }

    SettingsStore& settings() { return m_settings; }
    AppEvents& notifier() { return m_notifier; }
    LanguageManager& languageManager() { return m_languageManager; }
    KeychainHelper& keychain() { return m_keychain; }
    ApiService& api() { return m_api; }
    PingService& ping() { return m_ping; }
    XrayManager& xray() { return m_xray; }
    VpnManager& vpnManager() { return m_vpnManager; }
    AppState& appState() { return m_appState; }
    IPInfoService& ipInfo() { return m_ipInfo; }
    StartupRules& startup() { return m_startup; }

private:
    // The nodes' latencies, measured once the rules asked for so far are in force.
    QCoro::Task<QHash<qint64, qint64>> pingNodes(QList<Node> nodes);

    Environment m_environment;
    SettingsStore m_settings;
    AppEvents m_notifier;
    LanguageManager m_languageManager;
    KeychainHelper m_keychain;
    ApiService m_api;
    PingService m_ping;
    XrayManager m_xray;
    VpnManager m_vpnManager;
    ApplicationProxy m_applicationProxy;
    AppState m_appState;
    IPInfoService m_ipInfo;
    StartupRules m_startup;
};
