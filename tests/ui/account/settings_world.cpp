#include "settings_world.h"

#include "support/vpn_manager_test_access.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

VpnTimings quickTimings()
{
    VpnTimings timings;
    timings.retryWaitUnit = std::chrono::milliseconds(10);
    timings.reconnectPause = std::chrono::milliseconds(10);
    timings.proxyReadBackDelay = std::chrono::milliseconds(10);
    return timings;
}

} // namespace

SettingsWorld::SettingsWorld()
    : settings(*core.settings.store)
    , xray(core.make())
    , engine(std::make_unique<VpnManager>(settings, processes, *xray, admin, quickTimings()))
    , appStateWorld(settings)
    , appState(appStateWorld.appState)
    , languages(settings)
{
    core.installCore();
    processes.setHandler([](const ProcessRequest& request) -> ProcessResult {
        if (request.arguments == QStringList{QStringLiteral("-listallnetworkservices")})
            return {true, false, 0, "An asterisk (*) denotes that a network service is disabled.\nWi-Fi\n"};
        return {true, false, 0, {}};
    });
}

SettingsWorld::~SettingsWorld()
{
    view.reset();
    inside(*engine).prepareForQuit();
}

SettingsView::Services SettingsWorld::services()
{
    return {.appState = appState,
            .languageManager = languages,
            .connection = *formConnection,
            .settings = settings,
            .notifier = notifier,
            .loginItem = loginItem,
            .biometric = biometric,
            .ping = ping,
            .urlOpener = urlOpener,
            .webSite = QStringLiteral("http://127.0.0.1:%1").arg(web.port()),
            .checkForUpdates = [this] { ++updateChecks; },
            .openSignIn = [this](QWidget*) { ++signInRequests; },
            .speedTestProxy = std::nullopt,
            // Long enough that a loaded machine's slow answer is not taken for a silent server.
            .speedTestIdleTimeout = std::chrono::milliseconds(1500),
            .applicationDirectories = {applications.path()}};
}

SettingsView& SettingsWorld::makeView()
{
    view = std::make_unique<SettingsView>(services());
    view->resize(560, 900);
    view->show();
    settle();
    return *view;
}

Node SettingsWorld::localNode() const
{
    auto node = testNode(QStringLiteral("127.0.0.1"));
    node.port = web.port();
    return node;
}

void SettingsWorld::connect(const Node& node)
{
    vpn.setConnectedNode(node);
    vpn.setState(ConnectionState::connected);
    settle();
}

void SettingsWorld::connectEngine(const Node& node)
{
    QCoro::waitFor(engine->connectTo(node));
    ASSERT_EQ(engine->state(), ConnectionState::connected);
    settle();
}

std::unique_ptr<VpnManager> SettingsWorld::nextLaunchEngine()
{
    return std::make_unique<VpnManager>(settings, processes, *xray, admin, quickTimings());
}

void SettingsWorld::addDesktopEntry(const QString& fileName, const QString& text) const
{
    QFile file(QDir(applications.path()).filePath(fileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

QString SettingsWorld::addApplication(const QString& name) const
{
    const auto program = QDir(applications.path()).filePath(name.toLower());
    QFile file(program);
    file.open(QIODevice::WriteOnly);
    // A program of its own: a script would be refused, as it runs as its interpreter.
    file.write("\x7f" "ELF");
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    file.close();
    addDesktopEntry(name.toLower() + QStringLiteral(".desktop"),
                    QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=\"%2\" %U\n").arg(name, program));
    return QFileInfo(program).canonicalFilePath();
}
