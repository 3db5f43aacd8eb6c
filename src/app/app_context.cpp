#include "app_context.h"

#include "api/domain_pool.h"
#include "platform/text_table.h"

AppContext::Environment AppContext::Environment::native()
{
    return {.settingsPath = SettingsStore::defaultFilePath(),
            .processes = ProcessRunner::makeNative(),
            .adminScripts = AdminScriptRunner::makeNative(),
            .secrets = SecretStore::makeNative(),
            .loginItem = LoginItem::makeNative(),
            .biometric = BiometricAuth::makeNative(),
            .userNotifier = UserNotifier::makeNative(),
            .launcher = ChildProcessLauncher::makeNative(),
            .urlOpener = UrlOpener::makeNative(),
            .xrayOptions = XrayManager::Options::standard(),
            .domainPool = DomainPool::defaults()};
}

AppContext::AppContext(Environment environment)
    : m_environment(std::move(environment))
    , m_settings(m_environment.settingsPath)
    , m_languageManager(m_settings)
    , m_keychain(*m_environment.secrets)
    , m_api(m_settings, m_environment.domainPool, m_environment.apiOptions)
    , m_xray(m_settings, *m_environment.launcher, m_environment.xrayOptions)
    , m_vpnManager(m_settings, *m_environment.processes, m_xray, *m_environment.adminScripts, m_environment.vpnTimings)
    , m_applicationProxy(m_vpnManager)
    , m_appState({.api = m_api,
                  .settings = m_settings,
                  .keychain = m_keychain,
                  .pingNodes = [this](QList<Node> nodes) { return pingNodes(std::move(nodes)); },
                  .connectNode = [this](Node node) { return m_vpnManager.connectTo(std::move(node)); },
                  .connectionIsIdle = [this] { return m_vpnManager.state() == ConnectionState::disconnected; },
                  .debugLogPath = DebugLogFile::defaultPath()})
    , m_ipInfo(m_environment.ipEndpoints, IPInfoService::defaultTimeout)
    , m_startup({.api = m_api,
                 .appState = m_appState,
                 .vpnManager = m_vpnManager,
                 .settings = m_settings,
                 .connection = m_vpnManager},
                m_environment.startupTimings)
{
    i18n::installLanguageSource(&m_languageManager);
    // Before any connect: a crashed run's core configuration would keep its node's password on disk.
    m_xray.removeLeftoverConfig();
    // The lower layers cannot reach up: they announce, and the context passes it on.
    QObject::connect(&m_vpnManager, &VpnManager::stateChanged, &m_notifier, &AppEvents::vpnStateChanged);
    QObject::connect(&m_xray, &XrayManager::kernelLog, &m_notifier, &AppEvents::kernelLog);
    QObject::connect(&m_languageManager, &LanguageManager::currentLanguageChanged, &m_notifier,
                     &AppEvents::languageChanged);
    QObject::connect(&m_vpnManager, &VpnManager::nodeConnected, &m_appState, &AppState::addRecent);
    // While the kill switch blocks without a tunnel, the user must still reach the service.
    m_vpnManager.setServiceHosts([this] { return m_api.hosts(); });
    // And the listed nodes, so that their latency is measured and the fastest is connected.
    m_vpnManager.setListedNodes([this] { return m_appState.nodes(); });
    QObject::connect(&m_appState, &AppState::nodesChanged, &m_vpnManager, &VpnManager::listedNodesChanged);
}

QCoro::Task<QHash<qint64, qint64>> AppContext::pingNodes(QList<Node> nodes)
{
    // A block without a tunnel lets new nodes out once the load their change started has run.
    co_await m_vpnManager.rulesSettled();
    co_return co_await m_ping.ping(std::move(nodes));
}

AppContext::~AppContext() { i18n::installLanguageSource(nullptr); }
