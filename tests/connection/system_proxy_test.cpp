#include "connection/vpn_manager.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/fakes/recording_process_runner.h"
#include "support/proxy_settings_answers.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"
#include "support/table_row.h"
#include "support/temp_settings.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Type = ConnectionLogEntry::LogType;

const QByteArray kListingHeader = "An asterisk (*) denotes that a network service is disabled.\n";

bool isListing(const ProcessRequest& request)
{
    return request.arguments == QStringList{QStringLiteral("-listallnetworkservices")};
}

class SystemProxyTest : public ::testing::Test {
protected:
    // Lists the services; every privileged command succeeds unless `failing` names its first argument.
    void SetUp() override
    {
        runner.handler = [this](const ProcessRequest& request) {
            if (isListing(request))
                return RecordingProcessRunner::succeeded(kListingHeader + listing);
            if (request.arguments.size() > 2 && failing.contains(request.arguments[2]))
                return RecordingProcessRunner::failed(1, "sudo: a password is required\n");
            return RecordingProcessRunner::succeeded();
        };
    }

    QStringList privilegedCommands() const
    {
        QStringList lines;
        for (const auto& request : runner.requests)
            if (request.program == QLatin1String("/usr/bin/sudo"))
                lines.append(request.commandLine());
        return lines;
    }

    // The next switch-off command fails, later ones succeed.
    void failFirstSwitchOff()
    {
        auto failed = std::make_shared<bool>(false);
        runner.handler = [this, failed](const ProcessRequest& request) {
            if (isListing(request))
                return RecordingProcessRunner::succeeded(kListingHeader + listing);
            if (request.arguments.contains(QStringLiteral("off")) && !std::exchange(*failed, true))
                return RecordingProcessRunner::failed();
            return RecordingProcessRunner::succeeded();
        };
    }

    int keepAlives() const { return int(runner.commandLines().count(QStringLiteral("/usr/bin/sudo -n -v"))); }

    QList<std::pair<Type, QString>> log() const
    {
        QList<std::pair<Type, QString>> lines;
        for (const auto& entry : manager.connectionLog())
            lines.prepend({entry.type, entry.message});
        return lines;
    }

    // The proxy core and the administrator scripts only record: nothing here connects.
    XrayFixture core;
    std::unique_ptr<XrayManager> xray = core.make();
    RecordingAdminScriptRunner admin;
    TempSettings& settings = core.settings;
    RecordingProcessRunner runner;
    QByteArray listing = "Ethernet\nWi-Fi\n";
    QStringList failing;
    VpnManager manager{
        *settings.store, runner, *xray, admin,
        VpnTimings{std::chrono::milliseconds(10000), std::chrono::milliseconds(50), std::chrono::milliseconds(240000)}};
};

TEST_F(SystemProxyTest, TheActiveServiceFollowsThePreferenceOrder)
{
    struct Case {
        QByteArray listing;
        std::optional<QString> service;
    };
    const Case cases[] = {
        // A second Wi-Fi service keeps its own name: commands on "Wi-Fi" would find no service.
        {"Wi-Fi 2\nEthernet\n", QStringLiteral("Wi-Fi 2")},
        {"Wi-Fi 2\nWi-Fi\n", QStringLiteral("Wi-Fi")},
        {"Thunderbolt Ethernet\nBluetooth PAN\nWi-Fi\n", QStringLiteral("Wi-Fi")},
        {"Thunderbolt Bridge\nUSB 10/100/1000 LAN\nThunderbolt Ethernet\n", QStringLiteral("USB 10/100/1000 LAN")},
        {"  Bluetooth PAN\t\nThunderbolt Bridge\n", QStringLiteral("Bluetooth PAN")},
        {"*Wi-Fi\nVPN (L2TP)\n", QStringLiteral("*Wi-Fi")},
        {"\n\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        TempSettings otherSettings;
        RecordingProcessRunner listingRunner;
        listingRunner.handler
            = [&](const ProcessRequest&) { return RecordingProcessRunner::succeeded(kListingHeader + c.listing); };
        VpnManager fresh(*otherSettings.store, listingRunner, *xray, admin);
        EXPECT_EQ(QCoro::waitFor(inside(fresh).detectActiveNetworkService()), c.service) << c.listing.constData();
        EXPECT_EQ(listingRunner.commandLines(),
                  QStringList{QStringLiteral("/usr/sbin/networksetup -listallnetworkservices")});
    }
}

TEST_F(SystemProxyTest, TheDetectedServiceIsKeptForTheProcess)
{
    EXPECT_EQ(QCoro::waitFor(inside(manager).detectActiveNetworkService()), QStringLiteral("Wi-Fi"));
    listing = "Ethernet\n";
    EXPECT_EQ(QCoro::waitFor(inside(manager).detectActiveNetworkService()), QStringLiteral("Wi-Fi"));
    EXPECT_EQ(runner.requests.size(), 1);
}

TEST_F(SystemProxyTest, NoListingMeansNoServiceAndNoCache)
{
    runner.handler = [](const ProcessRequest&) { return ProcessResult{}; };
    EXPECT_EQ(QCoro::waitFor(inside(manager).detectActiveNetworkService()), std::nullopt);
    EXPECT_EQ(QCoro::waitFor(inside(manager).detectActiveNetworkService()), std::nullopt);
    EXPECT_EQ(runner.requests.size(), 2);
}

TEST_F(SystemProxyTest, EnablingSetsTheSocksProxyThroughSudoWithoutPrompt)
{
    QSignalSpy enabled(&manager, &VpnManager::systemProxyEnabledChanged);
    QCoro::waitFor(manager.setSystemProxy(true));
    EXPECT_EQ(privilegedCommands(),
              QStringList{QStringLiteral(
                  "/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxy Wi-Fi 127.0.0.1 1080")});
    EXPECT_EQ(runner.requests.last().timeout, std::chrono::milliseconds(10000));
    EXPECT_TRUE(manager.systemProxyEnabled());
    EXPECT_EQ(
        log(),
        (QList<std::pair<Type, QString>>{{Type::info, QStringLiteral("系统代理已设置 (SOCKS5 127.0.0.1:1080)")}}));
    EXPECT_EQ(enabled.size(), 1);
}

TEST_F(SystemProxyTest, TheServiceNameIsOneArgument)
{
    listing = "USB 10/100/1000 LAN\n";
    QCoro::waitFor(manager.setSystemProxy(false));
    EXPECT_EQ(runner.requests.last().arguments,
              (QStringList{QStringLiteral("-n"), QStringLiteral("/usr/sbin/networksetup"),
                           QStringLiteral("-setsocksfirewallproxystate"), QStringLiteral("USB 10/100/1000 LAN"),
                           QStringLiteral("off")}));
}

TEST_F(SystemProxyTest, EnablingRetriesWithBothCommandsAndFailsHonestly)
{
    failing = QStringList{QStringLiteral("-setsocksfirewallproxy")};
    QCoro::waitFor(manager.setSystemProxy(true));
    EXPECT_EQ(privilegedCommands(),
              (QStringList{
                  QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxy Wi-Fi 127.0.0.1 1080"),
                  QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxy Wi-Fi 127.0.0.1 1080"),
                  QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi on")}));
    EXPECT_FALSE(manager.systemProxyEnabled());
    EXPECT_EQ(log(),
              (QList<std::pair<Type, QString>>{
                  {Type::error, QStringLiteral("设置系统代理失败: 未配置 networksetup 免密权限")}}));
}

TEST_F(SystemProxyTest, DisablingThatFailsTwiceIsLogged)
{
    published(manager).setSystemProxyEnabled(true);
    failing = QStringList{QStringLiteral("-setsocksfirewallproxystate")};
    QCoro::waitFor(manager.setSystemProxy(false));
    EXPECT_EQ(
        privilegedCommands(),
        (QStringList{QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi off"),
                     QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi off")}));
    EXPECT_TRUE(manager.systemProxyEnabled());
    EXPECT_EQ(log(),
              (QList<std::pair<Type, QString>>{
                  {Type::error, QStringLiteral("关闭系统代理失败: 未配置 networksetup 免密权限")}}));
}

TEST_F(SystemProxyTest, OnlyASecondAttemptThatSucceedsStartsTheKeepAlive)
{
    QCoro::waitFor(manager.setSystemProxy(false));
    QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi"), 1080));
    EXPECT_EQ(keepAlives(), 0);

    failFirstSwitchOff();
    QCoro::waitFor(manager.setSystemProxy(false));
    EXPECT_EQ(log().last(), std::make_pair(Type::info, QStringLiteral("系统代理已关闭")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keepAlives() == 1; }, 2000)) << "the keep-alive fires once at once";
    failFirstSwitchOff();
    QCoro::waitFor(manager.setSystemProxy(false));
    // Commands run in order: once a later one has run, a keep-alive queued before it has too.
    QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi"), 1080));
    EXPECT_EQ(keepAlives(), 1) << "a second success keeps the one timer";
}

TEST_F(SystemProxyTest, TheKeepAliveRepeats)
{
    VpnManager fast(
        *settings.store, runner, *xray, admin,
        VpnTimings{std::chrono::milliseconds(10000), std::chrono::milliseconds(50), std::chrono::milliseconds(20)});
    failFirstSwitchOff();
    QCoro::waitFor(fast.setSystemProxy(false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keepAlives() >= 3; }, 2000));
}

TEST_F(SystemProxyTest, WithoutAServiceNothingIsChanged)
{
    listing = "";
    QCoro::waitFor(manager.setSystemProxy(true));
    EXPECT_TRUE(privilegedCommands().isEmpty());
    EXPECT_EQ(log(), (QList<std::pair<Type, QString>>{{Type::error, QStringLiteral("无法检测网络接口")}}));
}

// At launch, the proxies an earlier run left pointing at the core are switched off, one command
// each in the order web, secure web, SOCKS; the user's own stay as they are. Only a SOCKS proxy
// switched off shows the system proxy off.
TEST_F(SystemProxyTest, TheLaunchCleanUpSwitchesOffOnlyWhatPointsAtTheCore)
{
    using Answers = ProxySettingsAnswers;
    const auto off = [](const char* kind) {
        return QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -set%1proxystate Wi-Fi off")
            .arg(QLatin1String(kind));
    };
    const auto users = Answers::on(QStringLiteral("10.1.1.1"), 3128);
    const auto usersSocks = Answers::on(QStringLiteral("10.1.1.1"), 1080);
    const auto coreHttp = Answers::on(QStringLiteral("127.0.0.1"), 1081);
    const auto coreSocks = Answers::on(QStringLiteral("127.0.0.1"), 1080);
    struct Case {
        const char* name;
        QByteArray web;
        QByteArray secureWeb;
        QByteArray socks;
        QStringList switchedOff;
        bool proxyShownOn;
    };
    const Case cases[] = {
        {"secure web and SOCKS ours, the web proxy the user's",
         users,
         coreHttp,
         coreSocks,
         {off("secureweb"), off("socksfirewall")},
         false},
        {"all three ours", coreHttp, coreHttp, coreSocks, {off("web"), off("secureweb"), off("socksfirewall")}, false},
        {"the user's own", users, Answers::off(), usersSocks, {}, true},
        {"only the web proxy ours", coreHttp, Answers::off(), usersSocks, {off("web")}, true},
        {"ours, but switched off",
         "Enabled: No\nServer: 127.0.0.1\nPort: 1081\n",
         Answers::off(),
         "Enabled: No\nServer: 127.0.0.1\nPort: 1080\n",
         {},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Answers answers{.services = listing, .web = c.web, .secureWeb = c.secureWeb, .socks = c.socks};
        runner.handler = [answers](const ProcessRequest& request) { return answers.answer(request); };
        runner.requests.clear();
        published(manager).setSystemProxyEnabled(true);
        QCoro::waitFor(manager.clearLeftoverSystemProxy());
        EXPECT_EQ(privilegedCommands(), c.switchedOff);
        EXPECT_EQ(manager.systemProxyEnabled(), c.proxyShownOn);
    }
}

// A connection under way since launch has set the proxies itself: the clean-up reads nothing and
// switches nothing off, whatever the proxies say.
TEST_F(SystemProxyTest, TheLaunchCleanUpLeavesAConnectionUnderWayAlone)
{
    const ProxySettingsAnswers answers{.services = listing,
                                       .web = ProxySettingsAnswers::on(QStringLiteral("127.0.0.1"), 1081),
                                       .secureWeb = ProxySettingsAnswers::on(QStringLiteral("127.0.0.1"), 1081),
                                       .socks = ProxySettingsAnswers::on(QStringLiteral("127.0.0.1"), 1080)};
    runner.handler = [answers](const ProcessRequest& request) { return answers.answer(request); };
    for (const auto state : {ConnectionState::connecting, ConnectionState::connected}) {
        SCOPED_TRACE(int(state));
        published(manager).setState(state);
        published(manager).setSystemProxyEnabled(true);
        QCoro::waitFor(manager.clearLeftoverSystemProxy());
        EXPECT_TRUE(runner.commandLines().isEmpty());
        EXPECT_TRUE(manager.systemProxyEnabled());
    }
}

TEST_F(SystemProxyTest, TheStateReadBackMatchesWholeLines)
{
    struct Case {
        QByteArray output;
        bool pointsAtUs;
    };
    const Case cases[] = {
        {"Enabled: Yes\nServer: 127.0.0.1\nPort: 1080\nAuthenticated Proxy Enabled: 0\n", true},
        {"Enabled: No\nServer: 127.0.0.1\nPort: 1080\nAuthenticated Proxy Enabled: 0\n", false},
        // Another program's proxy on port 10800 is not ours.
        {"Enabled: Yes\nServer: 127.0.0.1\nPort: 10800\nAuthenticated Proxy Enabled: 0\n", false},
        {"Enabled: Yes\nServer: 127.0.0.1\nPort: 21080\n", false},
        // The user's own proxy elsewhere on the same port is not ours either.
        {"Enabled: Yes\nServer: 192.0.2.1\nPort: 1080\n", false},
        {"Enabled: Yes\nServer: 127.0.0.10\nPort: 1080\n", false},
        {"Enabled: Yes\nPort: 1080\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        runner.handler = [&](const ProcessRequest&) { return RecordingProcessRunner::succeeded(c.output); };
        EXPECT_EQ(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi"), 1080)), c.pointsAtUs)
            << c.output.constData();
        EXPECT_EQ(runner.requests.last().commandLine(),
                  QStringLiteral("/usr/sbin/networksetup -getsocksfirewallproxy Wi-Fi"));
    }
    runner.handler = [](const ProcessRequest&) { return ProcessResult{}; };
    EXPECT_FALSE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi"), 1080)));
}

TEST(SystemProxyOutput, OnlyOurOwnLocalCoreCounts)
{
    struct Case {
        QString output;
        bool ours;
    };
    const auto on = [](const QString& server, int port) {
        return QStringLiteral("Enabled: Yes\nServer: %1\nPort: %2\nAuthenticated Proxy Enabled: 0\n")
            .arg(server)
            .arg(port);
    };
    for (const auto& c :
         {Case{on(QStringLiteral("127.0.0.1"), 1080), true}, Case{on(QStringLiteral("127.0.0.1"), 1081), true},
          Case{QStringLiteral("  Enabled: Yes\r\n  Server: 127.0.0.1\r\n  Port: 1080\r\n"), true},
          Case{on(QStringLiteral("127.0.0.1"), 10800), false}, Case{on(QStringLiteral("10.0.0.5"), 1080), false},
          Case{on(QStringLiteral("127.0.0.1"), 3128), false},
          Case{QStringLiteral("Enabled: No\nServer: 127.0.0.1\nPort: 1080\n"), false}, Case{QString(), false}})
        EXPECT_EQ(SystemProxy::pointsAt(SystemProxy::parse(c.output), {1080, 1081}), c.ours) << c.output.toStdString();
}

TEST_F(SystemProxyTest, AProxyChangeWaitingUpToTheLimitGivesUpThere)
{
    runner.handler = [](const ProcessRequest&) { return ProcessResult{true, true, -1, {}}; };
    EXPECT_FALSE(QCoro::waitFor(inside(manager).changeProxySetting(
        {QStringLiteral("-setwebproxystate"), QStringLiteral("Wi-Fi"), QStringLiteral("off")},
        VpnManagerTestAccess::CommandWait::upToLimit)));
    EXPECT_EQ(runner.requests.last().timeout, std::chrono::milliseconds(10000));
}

TEST_F(SystemProxyTest, AProxyChangeWaitingUntilDoneHasNoLimit)
{
    EXPECT_TRUE(QCoro::waitFor(inside(manager).changeProxySetting(
        {QStringLiteral("-setwebproxy"), QStringLiteral("Wi-Fi"), QStringLiteral("127.0.0.1"), QStringLiteral("1081")},
        VpnManagerTestAccess::CommandWait::untilDone)));
    EXPECT_EQ(runner.requests.last().commandLine(),
              QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setwebproxy Wi-Fi 127.0.0.1 1081"));
    EXPECT_LT(runner.requests.last().timeout.count(), 0);
    failing = QStringList{QStringLiteral("-setwebproxystate")};
    EXPECT_FALSE(QCoro::waitFor(inside(manager).changeProxySetting(
        {QStringLiteral("-setwebproxystate"), QStringLiteral("Wi-Fi"), QStringLiteral("on")},
        VpnManagerTestAccess::CommandWait::untilDone)));
}

// The same operations carried out by the stand-ins: networksetup keeps its state per service.
TEST(SystemProxyStandIns, ProxyStatePersistsPerService)
{
    StandInState standIns({QStringLiteral("Wi-Fi 2"), QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());

    XrayFixture core;
    const auto xray = core.make();
    RecordingAdminScriptRunner admin;
    const auto processes = ProcessRunner::makeNative();
    VpnManager manager(*core.settings.store, *processes, *xray, admin);
    ASSERT_EQ(QCoro::waitFor(inside(manager).detectActiveNetworkService()), QStringLiteral("Wi-Fi 2"));
    QCoro::waitFor(manager.setSystemProxy(true));
    EXPECT_TRUE(manager.systemProxyEnabled());
    EXPECT_TRUE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi 2"), 1080)));
    EXPECT_FALSE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Ethernet"), 1080)));
    EXPECT_FALSE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi 2"), 10800)));

    // A sudo policy that wants a password refuses every privileged command.
    qputenv("VELMORAND_SUDO_DENY", "1");
    QCoro::waitFor(manager.setSystemProxy(false));
    qunsetenv("VELMORAND_SUDO_DENY");
    EXPECT_TRUE(manager.systemProxyEnabled());
    EXPECT_EQ(manager.connectionLog().first().message,
              QStringLiteral("关闭系统代理失败: 未配置 networksetup 免密权限"));
    EXPECT_TRUE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Wi-Fi 2"), 1080)));
}

} // namespace
