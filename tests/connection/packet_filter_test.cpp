// The kill switch, per-application rules and the clean-up: the administrator scripts as
// recorded, their outcomes, hostile values, and what the scripts do in a shell.
#include "connection/command_queue.h"
#include "connection/packet_filter.h"
#include "connection/packet_filter_scripts.h"
#include "engine_fixture.h"
#include "platform/exempted_program.h"
#include "platform/linux/stand_ins.h"
#include "platform/settings_keys.h"
#include "platform/shell_quote.h"
#include "platform/text_table.h"
#include "support/private_network.h"
#include "support/qt_printers.h"
#include "support/table_row.h"
#include "support/vpn_manager_test_access.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <QCoroTask>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// After the rules of either anchor: the main ruleset refers to both anchors, the filter is on,
// and the kill switch's anchor is referred to.
const QString kReferencesAndEnable
    = QStringLiteral(R"(if ! /sbin/pfctl -s rules 2>/dev/null | grep -qF 'anchor "com.velmorand/split"'; then
{ if [ -r /etc/pf.conf ]; then cat /etc/pf.conf; fi; printf '\n%s\n%s\n' 'anchor "com.velmorand"' 'anchor "com.velmorand/split"'; } | /sbin/pfctl -f - 2>&1
fi
/sbin/pfctl -s info 2>/dev/null | grep -q '^Status: Enabled' || /sbin/pfctl -e 2>&1
/sbin/pfctl -s rules 2>/dev/null | grep -qF 'anchor "com.velmorand" '
)");

// The text after "do shell script" of the kill switch for the server 203.0.113.7.
const QString kKillSwitchScript = QStringLiteral(R"(
set -e
cat <<'EOF' | /sbin/pfctl -a com.velmorand -f - 2>&1
scrub-anchor "com.velmorand/*"
# Allow loopback
pass quick on lo0 all
# Allow VPN server connection
pass out quick proto tcp to 203.0.113.7
pass out quick proto udp to 203.0.113.7
# Allow DNS
pass out quick proto udp to any port 53
# Allow local network LAN
pass out quick to 192.168.0.0/16
pass out quick to 10.0.0.0/8
pass out quick to 172.16.0.0/12
# Block all other outbound traffic
block out all
EOF
)") + kReferencesAndEnable
    + QStringLiteral("echo \"Kill Switch activated\"\n");

const QString kMail = QStringLiteral("/usr/bin/mail-client");
const QString kChat = QStringLiteral("/opt/Chat Tool");

// The text after "do shell script" that lets the mail client and the chat tool of this user out.
QString splitScriptForMailAndChat()
{
    return QStringLiteral(R"(
set -e
cat <<'EOF' | /sbin/pfctl -a com.velmorand/split -f - 2>&1
pass out proto {tcp, udp} from any to any user %1 program "/usr/bin/mail-client"
pass out proto {tcp, udp} from any to any user %1 program "/opt/Chat%20Tool"
EOF
)")
               .arg(::getuid())
        + kReferencesAndEnable + QStringLiteral("echo \"Split tunnel rules applied\"\n");
}

const QString kSplitFlush = QStringLiteral("/sbin/pfctl -a com.velmorand/split -F all 2>&1");
// The release: the programs' exemption first, then the block whatever became of the first.
const QString kFlush
    = kSplitFlush + QStringLiteral("; split=$?; /sbin/pfctl -a com.velmorand -F all 2>&1 && exit $split");

// Values that would break out of a rule, a here-document or a quoted word.
const QStringList kHostileValues{
    QStringLiteral("203.0.113.7\npass out all"),
    QStringLiteral("a.example\nEOF\nrm -rf /\ncat <<'EOF'"),
    QStringLiteral("$(touch /tmp/velmorand-pwned)"),
    QStringLiteral("`id`.example"),
    QStringLiteral("a.example; reboot"),
    QStringLiteral("it's \"quoted\".example"),
    QStringLiteral("a.example' off; rm -rf / '"),
    QStringLiteral("any"),
    QStringLiteral("self"),
    QStringLiteral("{1.2.3.4, any}"),
    QStringLiteral("fe80::1%lo0"),
    QStringLiteral(""),
    QStringLiteral("-a.example"),
    QStringLiteral("a..example"),
    QStringLiteral("hk1.nodes.example\n"),
    QStringLiteral("203.0.113.7\n"),
};

class PacketFilterTest : public EngineTest {
protected:
    // A clean-up whose every step succeeded: the proxy off, the filter emptied, the sudo entry
    // removed, both published switches off and the last two log lines saying so.
    void expectEveryStepDone(const VpnManager::CleanupResult& result)
    {
        EXPECT_TRUE(result.proxyOff);
        EXPECT_TRUE(result.pfCleared);
        EXPECT_TRUE(result.sudoersRemoved);
        EXPECT_EQ(admin.scripts,
                  (QStringList{kFlush, QStringLiteral("rm -f /etc/sudoers.d/velmorand-networksetup 2>/dev/null")}));
        EXPECT_FALSE(manager->systemProxyEnabled());
        EXPECT_FALSE(manager->killSwitchEnabled());
        EXPECT_EQ(messages().mid(messages().size() - 2),
                  (QStringList{QStringLiteral("系统代理已清理"), QStringLiteral("已移除 networksetup 免密权限")}));
    }

    void connectToNode(const QString& server = QStringLiteral("203.0.113.7"))
    {
        ASSERT_FALSE(connectTo(testNode(server)));
        admin.scripts.clear();
    }
};

TEST_F(PacketFilterTest, TheKillSwitchLoadsItsRulesAndMakesThemCount)
{
    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    ASSERT_EQ(admin.scripts, QStringList{kKillSwitchScript});
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_EQ(log().last(), (Line{Type::info, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"), std::nullopt}));
    EXPECT_FALSE(core.settings.reopen()->contains(SettingsKeys::killSwitchEnabled))
        << "runtime state is not the user's choice";

    QCoro::waitFor(manager->disableKillSwitch());
    EXPECT_EQ(admin.scripts.last(), kFlush);
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(log().last(), (Line{Type::info, QStringLiteral("🔓 网络锁已关闭"), std::nullopt}));
}

TEST_F(PacketFilterTest, FailuresAreReportedAndChangeNothing)
{
    connectToNode();
    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("User canceled.")}; };
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(log().last(), (Line{Type::error, QStringLiteral("🔒 网络锁设置失败"), std::nullopt}));

    admin.handler = {};
    QCoro::waitFor(manager->enableKillSwitch());
    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("denied")}; };
    QCoro::waitFor(manager->disableKillSwitch());
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_EQ(log().last(), (Line{Type::warning, QStringLiteral("🔓 网络锁释放异常"), std::nullopt}));
}

TEST_F(PacketFilterTest, TheMarkerOfLoadedRulesIsWrittenBeforeTheyLoadAndGoesWhenNoneWere)
{
    connectToNode();
    std::atomic<bool> markedWhileLoading{false};
    admin.handler = [&](const QString&) {
        markedWhileLoading = core.settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded);
        return AdminScriptResult{true, {}, {}};
    };
    QCoro::waitFor(manager->enableKillSwitch());
    ASSERT_TRUE(manager->killSwitchEnabled());
    EXPECT_TRUE(markedWhileLoading)
        << "a run killed while the rules load leaves them loaded: the next launch must know";
    QCoro::waitFor(manager->disableKillSwitch());
    EXPECT_FALSE(core.settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded));

    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("User canceled.")}; };
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_FALSE(core.settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded)) << "nothing was loaded";
}

TEST_F(PacketFilterTest, AFailedReloadWhileEarlierRulesHoldKeepsTheirMarkerForTheNextLaunch)
{
    const auto refused = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("User canceled.")}; };
    // Two ways rules are loaded again over ones in force: a reconnect's enable, a switch.
    const QList<std::function<void()>> reloads{
        [&] { QCoro::waitFor(manager->enableKillSwitch()); },
        [&] { ASSERT_TRUE(connectTo(node(2, QStringLiteral("Seoul"), QStringLiteral("198.51.100.9")))); },
    };
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    for (const auto& reload : reloads) {
        manager = makeManager(timings());
        ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
        ASSERT_TRUE(manager->killSwitchEnabled());
        admin.handler = refused;
        reload();
        admin.handler = {};
        ASSERT_TRUE(manager->killSwitchEnabled()) << "the earlier rules still hold";
        EXPECT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchRulesLoaded), true);

        // Killed now: the next launch takes the block over instead of leaving it unknown.
        manager = makeManager(timings());
        admin.scripts.clear();
        QCoro::waitFor(manager->recoverLeftoverKillSwitch());
        EXPECT_TRUE(manager->killSwitchEnabled());
        QCoro::waitFor(manager->disconnect());
    }
}

TEST_F(PacketFilterTest, AChosenKillSwitchWhoseRulesDoNotLoadSaysWhyWhileConnected)
{
    using Refusal = AdminScriptResult::Refusal;
    struct Case {
        const char* name;
        QByteArray services;
        Refusal refusal;
        QString reason;
    };
    const QList<Case> cases{
        {"the prompt dismissed", "Wi-Fi\n", Refusal::notAuthorized, QStringLiteral("未获得管理员授权")},
        {"an install the root side does not trust", "Wi-Fi\n", Refusal::untrustedInstall,
         QStringLiteral("当前安装位置不受信任，请安装到系统目录")},
        {"a failed script", "Wi-Fi\n", Refusal::none, QStringLiteral("规则加载失败")},
        {"no network service", "", Refusal::none, QStringLiteral("未检测到网络服务")},
    };
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        listing = c.services;
        manager = makeManager(timings());
        admin.handler = [&c](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("no"), c.refusal}; };
        ASSERT_FALSE(connectTo(testNode()));
        EXPECT_EQ(manager->state(), ConnectionState::connected);
        EXPECT_FALSE(manager->killSwitchEnabled());
        EXPECT_EQ(manager->killSwitchNotInForce(), c.reason);
        // The screens say it through the text table, in every language.
        for (const auto language : {AppLanguage::en, AppLanguage::ja})
            EXPECT_NE(i18n::tr(c.reason, language), c.reason) << "not in the text table";
    }

    // It goes once the rules load, once the user turns the kill switch off, and with the
    // connection.
    const QList<std::function<void()>> clearings{
        [&] {
            admin.handler = {};
            QCoro::waitFor(manager->enableKillSwitch());
        },
        [&] { QCoro::waitFor(manager->disableKillSwitch()); },
        [&] { QCoro::waitFor(manager->disconnect()); },
    };
    listing = "Wi-Fi\n";
    for (const auto& clear : clearings) {
        manager = makeManager(timings());
        admin.handler = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("failed")}; };
        ASSERT_FALSE(connectTo(testNode()));
        ASSERT_FALSE(manager->killSwitchNotInForce().isEmpty());
        clear();
        EXPECT_TRUE(manager->killSwitchNotInForce().isEmpty());
    }
}

TEST_F(PacketFilterTest, ASwitchWhoseRulesCannotLetTheNewNodeOutStopsAndNeverShowsItConnected)
{
    const auto seoul = QStringLiteral("198.51.100.9");
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
    admin.scripts.clear();
    admin.handler = [](const QString&) {
        return AdminScriptResult{false, {}, QStringLiteral("dismissed"), AdminScriptResult::Refusal::notAuthorized};
    };
    QList<ConnectionState> states;
    QObject::connect(manager.get(), &VpnManager::stateChanged, [&] { states.append(manager->state()); });

    const auto failure = connectTo(node(2, QStringLiteral("Seoul"), seoul));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind(), VpnError::Kind::killSwitchNotReloaded);
    EXPECT_FALSE(states.contains(ConnectionState::connected)) << "a dead tunnel shown as connected";
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_FALSE(manager->connectedNode());
    EXPECT_EQ(cores().size(), 1) << "the new node was never dialled";
    EXPECT_TRUE(messages().contains(failure->description()));
    EXPECT_EQ(admin.scripts.filter(seoul).size(), 1) << "asked once: every try would prompt again";
    EXPECT_TRUE(manager->killSwitchEnabled()) << "the old rules still hold";
}

TEST_F(PacketFilterTest, WithoutAConnectionOrANetworkServiceNoRuleIsLoaded)
{
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_TRUE(admin.scripts.isEmpty());
    EXPECT_EQ(log().last(), (Line{Type::error, QStringLiteral("Kill Switch: 未检测到网络接口或未连接"), std::nullopt}));

    listing = "";
    manager = makeManager(timings());
    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_TRUE(admin.scripts.isEmpty());
    EXPECT_EQ(log().last().message, QStringLiteral("Kill Switch: 未检测到网络接口或未连接"));
}

TEST_F(PacketFilterTest, DisconnectReleasesTheKillSwitchButKeepsTheUsersChoice)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_EQ(admin.scripts, QStringList{kKillSwitchScript}) << "applied after the connect";
    EXPECT_TRUE(manager->killSwitchEnabled());

    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(admin.scripts.last(), kFlush);
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchEnabled), true);

    admin.scripts.clear();
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_EQ(admin.scripts, QStringList{kKillSwitchScript}) << "the next connect applies it again";
}

// The screens tell rules in force from rules not yet released by the user's choice, published as
// it stands from the start and whoever changes it: the settings screen, the clean-up.
TEST_F(PacketFilterTest, TheUsersChoiceIsPublishedAsItStands)
{
    EXPECT_FALSE(manager->killSwitchWanted());
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    EXPECT_TRUE(manager->killSwitchWanted());
    useTimings([](VpnTimings&) {});
    EXPECT_TRUE(manager->killSwitchWanted()) << "as stored when the engine starts";
    ASSERT_FALSE(connectTo(testNode()));
    ASSERT_TRUE(manager->killSwitchEnabled());
    QCoro::waitFor(manager->cleanupSystemConfig(false));
    EXPECT_FALSE(manager->killSwitchWanted());
}

TEST_F(PacketFilterTest, RulesLeftByAKilledRunAreTakenOverOrReleasedAsTheUserChose)
{
    // A run that loaded the rules and was killed: its marker stays in the settings file.
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    ASSERT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchRulesLoaded), true);

    for (const bool chosen : {true, false}) {
        core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, chosen);
        // The next launch.
        manager = makeManager(timings());
        admin.scripts.clear();
        QCoro::waitFor(manager->recoverLeftoverKillSwitch());
        if (chosen) {
            EXPECT_TRUE(admin.scripts.isEmpty()) << "the rules stay in force";
            EXPECT_TRUE(manager->killSwitchEnabled());
            // Its connection lets its own node out beside the old rules, then replaces them.
            ASSERT_FALSE(connectTo(testNode(QStringLiteral("203.0.113.9"))));
            ASSERT_FALSE(admin.scripts.isEmpty());
            EXPECT_TRUE(admin.scripts.first().contains(QStringLiteral("pass out quick proto tcp to 203.0.113.9")));
            EXPECT_TRUE(manager->killSwitchEnabled());
        } else {
            EXPECT_EQ(admin.scripts, QStringList{kFlush});
            EXPECT_FALSE(manager->killSwitchEnabled());
            EXPECT_FALSE(core.settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded));
        }
    }

    // Without a marker a launch touches nothing.
    core.settings.store->remove(SettingsKeys::killSwitchRulesLoaded);
    manager = makeManager(timings());
    admin.scripts.clear();
    QCoro::waitFor(manager->recoverLeftoverKillSwitch());
    EXPECT_TRUE(admin.scripts.isEmpty());
    EXPECT_FALSE(manager->killSwitchEnabled());
}

TEST_F(PacketFilterTest, TheKillSwitchHoldsThroughAnAutomaticReconnect)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    admin.scripts.clear();
    QList<bool> published;
    QObject::connect(manager.get(), &VpnManager::killSwitchEnabledChanged,
                     [&] { published.append(manager->killSwitchEnabled()); });

    killCore();
    // The reconnect has finished once it logs the connection.
    waitFor([&] { return cores().size() == 2 && messages().filter(QStringLiteral("已连接到")).size() == 2; });
    EXPECT_EQ(admin.scripts, QStringList{kKillSwitchScript}) << "the rules are replaced in one step, never released";
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_FALSE(published.contains(false)) << "not off for a moment either";
    EXPECT_FALSE(messages().contains(QStringLiteral("🔓 网络锁已关闭")));
}

TEST_F(PacketFilterTest, ASwitchLetsTheNewNodeOutBeforeItsCoreStartsAndThenDropsTheOld)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"), QStringLiteral("203.0.113.7"))));
    admin.scripts.clear();
    QStringList scriptsWhenTheCoreStarted;
    core.launcher.configure = [&](FakeChildProcess&) { scriptsWhenTheCoreStarted = admin.scripts; };

    ASSERT_FALSE(connectTo(node(2, QStringLiteral("Seoul"), QStringLiteral("198.51.100.9"))));
    const auto both
        = PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7"), QStringLiteral("198.51.100.9")});
    EXPECT_EQ(scriptsWhenTheCoreStarted, QStringList{both});
    EXPECT_EQ(admin.scripts,
              (QStringList{both, PacketFilterScripts::killSwitchStart({QStringLiteral("198.51.100.9")})}));
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_FALSE(messages().contains(QStringLiteral("🔓 网络锁已关闭")));
    EXPECT_TRUE(messages().contains(QStringLiteral("从 Tokyo 断开")))
        << "the switch still logs the end of the old connection";

    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(admin.scripts.last(), kFlush) << "the user's disconnect releases it";
    EXPECT_FALSE(manager->killSwitchEnabled());
}

TEST_F(PacketFilterTest, AFailedSwitchKeepsTheKillSwitchUntilTheUserDisconnects)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
    core.launcher.configure = [](FakeChildProcess& child) { child.startSucceeds = false; };
    admin.scripts.clear();

    ASSERT_TRUE(connectTo(node(2, QStringLiteral("Seoul"), QStringLiteral("198.51.100.9"))));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_FALSE(admin.scripts.contains(kFlush));

    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(admin.scripts.last(), kFlush);
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(log().last(), (Line{Type::disconnected, QStringLiteral("已断开"), std::nullopt}));
}

TEST_F(PacketFilterTest, ABlockWithoutATunnelLetsOutTheServiceAndNothingElse)
{
    // Each way the block comes to hold without a tunnel: taken over at launch, kept by a
    // failed connect, left by a switch to a node the rules cannot let out.
    struct Case {
        const char* name;
        std::function<void()> blockWithoutTunnel;
    };
    // The service's name reaches the rules as its address.
    resolved.insert(QStringLiteral("api.service.example"), {QHostAddress(QStringLiteral("192.0.2.60"))});
    const auto serviceLetOut = [](const QString& script) {
        return script.contains(QLatin1String("pass out quick proto tcp to 192.0.2.60\n"))
            && script.contains(QLatin1String("pass out quick proto tcp to 192.0.2.50\n"))
            && script.count(QLatin1String("proto tcp to ")) == 2;
    };
    const Case cases[] = {
        {"taken over at launch",
         [this] {
             core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
             QCoro::waitFor(manager->recoverLeftoverKillSwitch());
         }},
        {"kept by a failed connect",
         [this] {
             ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
             core.launcher.configure = [](FakeChildProcess& child) { child.startSucceeds = false; };
             ASSERT_TRUE(connectTo(node(2, QStringLiteral("Seoul"), QStringLiteral("198.51.100.9"))));
         }},
        {"a switch to a node the rules cannot let out",
         [this] {
             ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
             ASSERT_TRUE(connectTo(node(2, QStringLiteral("Seoul"), QStringLiteral("nowhere_to.example"))));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        core.launcher.configure = {};
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
        manager = makeManager(timings());
        manager->setServiceHosts([] {
            return QStringList{QStringLiteral("api.service.example"), QStringLiteral("192.0.2.50")};
        });
        admin.scripts.clear();
        c.blockWithoutTunnel();
        EXPECT_EQ(manager->state(), ConnectionState::disconnected);
        EXPECT_TRUE(manager->killSwitchEnabled());
        ASSERT_FALSE(admin.scripts.isEmpty());
        EXPECT_TRUE(serviceLetOut(admin.scripts.last())) << admin.scripts.last().toStdString();

        // The next connection lets its node out beside the service, then only the node.
        core.launcher.configure = {};
        ASSERT_FALSE(connectTo(node(3, QStringLiteral("Osaka"), QStringLiteral("203.0.113.30"))));
        EXPECT_FALSE(admin.scripts.last().contains(QLatin1String("192.0.2.60")));
        EXPECT_TRUE(admin.scripts.last().contains(QLatin1String("pass out quick proto tcp to 203.0.113.30\n")));
        QCoro::waitFor(manager->disconnect());
    }
}

TEST_F(PacketFilterTest, AKillSwitchTurnedOffDuringAReconnectIsReleasedWhenItIsUp)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, false);
    killCore();
    // The reconnect has finished once it logs the connection.
    waitFor([&] { return cores().size() == 2 && messages().filter(QStringLiteral("已连接到")).size() == 2; });
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(admin.scripts.last(), kFlush);
}

TEST_F(PacketFilterTest, HostileServerTextsNeverReachAScriptNorTheResolverAndLetNothingOut)
{
    connectToNode();
    const auto unsafe
        = Line{Type::error, QStringLiteral("🔒 网络锁设置失败: 节点地址不是合法的主机名或 IP 地址"), std::nullopt};
    for (const auto& server : kHostileValues) {
        SCOPED_TRACE(server.toStdString());
        admin.scripts.clear();
        published(*manager).setConnectedNode(testNode(server));
        QCoro::waitFor(manager->enableKillSwitch());
        // The block holds, letting no server out: the old node carries no tunnel any more.
        ASSERT_EQ(admin.scripts.size(), 1);
        EXPECT_TRUE(admin.scripts[0].contains(QLatin1String("block out all")));
        EXPECT_FALSE(admin.scripts[0].contains(QLatin1String("proto tcp to ")));
        EXPECT_TRUE(log().contains(unsafe));
        EXPECT_TRUE(manager->killSwitchEnabled());
    }
    for (const auto& asked : std::as_const(askedNames))
        EXPECT_FALSE(asked.contains(QLatin1Char(' ')) || asked.contains(QLatin1Char('\n'))
                     || asked.contains(QLatin1Char('%')))
            << "looked up: " << asked.toStdString();
    for (const auto& server :
         {QStringLiteral("hk1.nodes.example"), QStringLiteral("2001:db8::7"), QStringLiteral("a-1.B2.example")}) {
        admin.scripts.clear();
        published(*manager).setConnectedNode(testNode(server));
        QCoro::waitFor(manager->enableKillSwitch());
        ASSERT_EQ(admin.scripts.size(), 1) << server.toStdString();
        EXPECT_TRUE(admin.scripts.first().contains(QStringLiteral("pass out quick proto tcp to ") + server
                                                   + QLatin1Char('\n')));
    }
}

TEST_F(PacketFilterTest, ANodeNameTheRulesRefuseIsLetOutByTheAddressesItResolvesTo)
{
    struct Case {
        QString name;
        QList<QHostAddress> addresses;
        QStringList passed;
    };
    const QList<Case> cases{
        {QStringLiteral("node_b.example"),
         {QHostAddress(QStringLiteral("203.0.113.9"))},
         {QStringLiteral("203.0.113.9")}},
        {QStringLiteral("nodeb.example."),
         {QHostAddress(QStringLiteral("203.0.113.10")), QHostAddress(QStringLiteral("2001:db8::10"))},
         {QStringLiteral("203.0.113.10"), QStringLiteral("2001:db8::10")}},
        {QStringLiteral("nodeb"), {QHostAddress(QStringLiteral("203.0.113.11"))}, {QStringLiteral("203.0.113.11")}},
    };
    connectToNode();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        resolved.insert(c.name, c.addresses);
        admin.scripts.clear();
        published(*manager).setConnectedNode(testNode(c.name));
        QCoro::waitFor(manager->enableKillSwitch());
        ASSERT_EQ(admin.scripts.size(), 1);
        for (const auto& address : c.passed)
            EXPECT_TRUE(admin.scripts[0].contains(QStringLiteral("pass out quick proto tcp to ") + address
                                                  + QLatin1Char('\n')));
        EXPECT_FALSE(admin.scripts[0].contains(c.name));
        EXPECT_EQ(messages().last(), QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
    }
}

// A node's name that the rules cannot hold is looked up for at most the limit: a resolver that
// does not answer fails that node, and a release queued behind it does not wait for the resolver.
TEST_F(PacketFilterTest, ANodeNameThatDoesNotAnswerHoldsUpNoReleaseQueuedBehindIt)
{
    // The look-up of the silent name ends only when the test lets it, after the release.
    const auto answerNow = std::make_shared<QSemaphore>();
    const auto answered = std::make_shared<QSemaphore>();
    const auto silent = QStringLiteral("silent_node.example");
    const auto resolve = [answerNow, answered](const QString&) -> QList<QHostAddress> {
        answerNow->acquire();
        answered->release();
        return {QHostAddress(QStringLiteral("192.0.2.61"))};
    };
    CommandQueue commands;
    PacketFilter filter([this]() -> AdminScriptRunner& { return admin; }, commands, resolve,
                        std::chrono::milliseconds(200));
    auto loading = filter.loadKillSwitch({silent});
    auto releasing = filter.releaseKillSwitch();
    const bool releasedMeanwhile = QTest::qWaitFor([&] { return releasing.isReady(); }, 5000);
    answerNow->release();
    ASSERT_TRUE(releasedMeanwhile) << "the release waited for the silent name";
    EXPECT_TRUE(QCoro::waitFor(std::move(releasing)));
    EXPECT_EQ(QCoro::waitFor(std::move(loading)), PacketFilter::Load::unsafeServer);
    EXPECT_EQ(admin.scripts, QStringList{kFlush}) << "nothing loaded for the silent name";
    ASSERT_TRUE(answered->tryAcquire(1, 5000)) << "the late look-up ends on its own";
}

TEST_F(PacketFilterTest, ANodeNameThatResolvesToNothingTheRulesCanHoldIsNeverConnected)
{
    resolved.insert(QStringLiteral("scoped_only.example"), {QHostAddress(QStringLiteral("fe80::1%lo"))});
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    for (const auto& name : {QStringLiteral("nowhere_to.example"), QStringLiteral("scoped_only.example")}) {
        SCOPED_TRACE(name.toStdString());
        admin.scripts.clear();
        const auto failure = connectTo(testNode(name));
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind(), VpnError::Kind::nodeNotLetOut);
        EXPECT_EQ(manager->state(), ConnectionState::disconnected);
        EXPECT_TRUE(admin.scripts.isEmpty()) << "nothing was blocked before: the first connect changes nothing";
        EXPECT_FALSE(xray->isRunning());
    }
}

TEST_F(PacketFilterTest, TheListedProgramsAreLetOutWithEveryKillSwitchAndGoWithIt)
{
    // Chosen before any connection, and by an earlier run: only the stored list is there.
    core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray{kMail, kChat});
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    manager = makeManager(timings());
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_EQ(admin.scripts, (QStringList{kKillSwitchScript, splitScriptForMailAndChat()}));
    EXPECT_TRUE(messages().contains(QStringLiteral("分应用代理: 2 个应用已绕过 VPN")));

    // A reconnect replaces the block; the exemption stays loaded as it is.
    admin.scripts.clear();
    killCore();
    waitFor([&] { return cores().size() == 2 && messages().filter(QStringLiteral("已连接到")).size() == 2; });
    EXPECT_EQ(admin.scripts, QStringList{kKillSwitchScript});

    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(admin.scripts.last(), kFlush) << "released with the block";
    admin.scripts.clear();
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_EQ(admin.scripts, (QStringList{kKillSwitchScript, splitScriptForMailAndChat()})) << "and loaded with it";
}

TEST_F(PacketFilterTest, ListChangesApplyOnlyWhileTheKillSwitchHolds)
{
    connectToNode();
    QCoro::waitFor(manager->addSplitTunnelApp(kMail));
    EXPECT_TRUE(admin.scripts.isEmpty()) << "nothing to let it out past";
    EXPECT_EQ(core.settings.reopen()->value(SettingsKeys::splitTunnelApps).toArray(), QJsonArray{kMail});

    QCoro::waitFor(manager->enableKillSwitch());
    ASSERT_EQ(admin.scripts.size(), 2);
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::splitRules({kMail}, ::getuid()));

    struct Step {
        const char* what;
        std::function<QCoro::Task<>()> change;
        QStringList scripts;
        QStringList list;
    };
    const Step steps[] = {
        {"add", [&] { return manager->addSplitTunnelApp(kChat); }, {splitScriptForMailAndChat()}, {kMail, kChat}},
        {"add again", [&] { return manager->addSplitTunnelApp(kMail); }, {}, {kMail, kChat}},
        {"remove one not listed",
         [&] { return manager->removeSplitTunnelApp(QStringLiteral("/usr/bin/none")); },
         {splitScriptForMailAndChat()},
         {kMail, kChat}},
        {"remove",
         [&] { return manager->removeSplitTunnelApp(kMail); },
         {PacketFilterScripts::splitRules({kChat}, ::getuid())},
         {kChat}},
        {"remove the last", [&] { return manager->removeSplitTunnelApp(kChat); }, {kSplitFlush}, {}},
        {"remove from an empty list", [&] { return manager->removeSplitTunnelApp(kChat); }, {}, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        admin.scripts.clear();
        QCoro::waitFor(step.change());
        EXPECT_EQ(admin.scripts, step.scripts);
        EXPECT_EQ(manager->splitTunnelApps(), step.list);
    }
    EXPECT_EQ(messages().filter(QStringLiteral("分应用代理:")).last(),
              QStringLiteral("分应用代理: 0 个应用已绕过 VPN"));
}

TEST_F(PacketFilterTest, AFailedExemptionLeavesTheBlockWholeAndSaysSo)
{
    core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray{kMail});
    admin.handler = [](const QString& script) {
        return AdminScriptResult{!script.contains(PacketFilterScripts::splitAnchor + QStringLiteral(" -f")), {}, {}};
    };
    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_TRUE(manager->killSwitchEnabled());
    EXPECT_EQ(
        log().mid(log().size() - 3),
        (QList<Line>{{Type::info, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"), std::nullopt},
                     {Type::warning, QStringLiteral("分应用代理规则设置失败"), std::nullopt},
                     {Type::warning, QStringLiteral("分应用代理未生效,所选应用同样被网络锁拦截"), std::nullopt}}));
}

TEST_F(PacketFilterTest, HostileApplicationPathsStayOneEncodedWordOfTheRules)
{
    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    static const QRegularExpression ruleLine(
        QStringLiteral(R"re(^pass out proto \{tcp, udp\} from any to any user \d+ program "([A-Za-z0-9._~/%-]*)"$)re"));
    for (const auto& value : kHostileValues) {
        // Absolute, as the list takes only absolute paths.
        const QString path = QStringLiteral("/opt/Hostile/") + value;
        SCOPED_TRACE(path.toStdString());
        admin.scripts.clear();
        QCoro::waitFor(manager->addSplitTunnelApp(path));
        ASSERT_EQ(admin.scripts.size(), 1);
        const auto lines = admin.scripts.first().split(QLatin1Char('\n'));
        const auto rule = ruleLine.match(lines.value(lines.indexOf(QStringLiteral("EOF")) - 1));
        ASSERT_TRUE(rule.hasMatch()) << admin.scripts.first().toStdString();
        EXPECT_EQ(QUrl::fromPercentEncoding(rule.captured(1).toUtf8()), path);
        QCoro::waitFor(manager->removeSplitTunnelApp(path));
    }
}

TEST_F(PacketFilterTest, TheApplicationListIsReadBackFromTheSettings)
{
    struct Case {
        QJsonValue stored;
        QStringList apps;
    };
    const Case cases[] = {
        {QJsonArray{QStringLiteral("/Applications/A.app"), QStringLiteral("/Applications/B.app")},
         {QStringLiteral("/Applications/A.app"), QStringLiteral("/Applications/B.app")}},
        {QJsonValue(QStringLiteral("/Applications/A.app")), {}},
        {QJsonArray{QStringLiteral("/Applications/A.app"), 3}, {}},
        {QJsonValue(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        if (c.stored.isUndefined() || c.stored.isNull())
            core.settings.store->remove(SettingsKeys::splitTunnelApps);
        else
            core.settings.store->setValue(SettingsKeys::splitTunnelApps, c.stored);
        manager->loadSplitTunnelApps();
        EXPECT_EQ(manager->splitTunnelApps(), c.apps);
    }
}

// The settings file is the user's to edit, and the entry point takes any path: neither may let
// out more than the chosen application. A stored entry that is refused stays listed, as the user
// left it, but is left out of the rules with a line of the log that names it and says why.
TEST_F(PacketFilterTest, TheListNeverLetsOutWhatLetsOutMoreThanOneApplication)
{
    const struct {
        QString path;
        ExemptedProgram::Refusal refusal;
    } refused[] = {
        {QStringLiteral("/"), ExemptedProgram::Refusal::systemFolder},
        {QStringLiteral("//usr//bin"), ExemptedProgram::Refusal::systemFolder},
        {QStringLiteral("/home"), ExemptedProgram::Refusal::usersFolder},
        {QStringLiteral("/bin/sh"), ExemptedProgram::Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/perl5.36-x86_64-linux-gnu"), ExemptedProgram::Refusal::sharedLauncher},
        {QStringLiteral("usr/bin"), ExemptedProgram::Refusal::notAbsolute},
    };
    QStringList stored;
    for (const auto& entry : refused)
        stored.append(entry.path);
    // The settings file's text is data: the log shows it on one line, cut.
    const QString hostile = QStringLiteral("relative\n\u2028\u202Epath") + QString(400, QLatin1Char('x'));
    stored.insert(1, kMail);
    stored.append(hostile);
    core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray::fromStringList(stored));
    manager->loadSplitTunnelApps();
    EXPECT_EQ(manager->splitTunnelApps(), stored);
    EXPECT_EQ(core.settings.reopen()->value(SettingsKeys::splitTunnelApps).toArray(),
              QJsonArray::fromStringList(stored))
        << "kept as stored";

    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    ASSERT_TRUE(manager->killSwitchEnabled());
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::splitRules({kMail}, ::getuid())) << "the others left out";
    const auto lines = messages().filter(QStringLiteral("分应用代理: 未放行 "));
    ASSERT_EQ(lines.size(), qsizetype(std::size(refused)) + 1) << "one line per refused entry";
    for (const auto& entry : refused)
        EXPECT_TRUE(lines.contains(QStringLiteral("分应用代理: 未放行 ") + entry.path + QStringLiteral(" (")
                                   + ExemptedProgram::reasonText(entry.refusal) + QLatin1Char(')')))
            << entry.path.toStdString();
    const auto& hostileLine = lines.last();
    EXPECT_TRUE(hostileLine.startsWith(QStringLiteral("分应用代理: 未放行 relative"))) << hostileLine.toStdString();
    for (const auto c : {u'\n', u'\u2028', u'\u202E'})
        EXPECT_FALSE(hostileLine.contains(QChar(c))) << int(c);
    EXPECT_LT(hostileLine.size(), 220);
    EXPECT_EQ(messages().last(), QStringLiteral("分应用代理: 1 个应用已绕过 VPN"));

    // Removed by the user, an entry goes from the stored list.
    admin.scripts.clear();
    QCoro::waitFor(manager->removeSplitTunnelApp(QStringLiteral("/bin/sh")));
    stored.removeAll(QStringLiteral("/bin/sh"));
    EXPECT_EQ(core.settings.reopen()->value(SettingsKeys::splitTunnelApps).toArray(),
              QJsonArray::fromStringList(stored));
    EXPECT_EQ(admin.scripts, QStringList{PacketFilterScripts::splitRules({kMail}, ::getuid())});

    // Through the entry point a refused path is never listed.
    QCoro::waitFor(manager->removeSplitTunnelApp(QStringLiteral("/")));
    admin.scripts.clear();
    for (const auto& path : {QStringLiteral("/"), QStringLiteral("/usr/bin/env"), QStringLiteral("/tmp")}) {
        SCOPED_TRACE(path.toStdString());
        const auto before = manager->splitTunnelApps();
        QCoro::waitFor(manager->addSplitTunnelApp(path));
        EXPECT_EQ(manager->splitTunnelApps(), before);
        EXPECT_TRUE(admin.scripts.isEmpty());
        EXPECT_TRUE(messages().last().startsWith(QStringLiteral("分应用代理: 未放行 ") + path));
    }
}

TEST_F(PacketFilterTest, CleanUpReportsEachStep)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    connectToNode();
    published(*manager).setSystemProxyEnabled(true);
    admin.scripts.clear();
    processes.clear();

    const auto result = QCoro::waitFor(manager->cleanupSystemConfig(true));
    EXPECT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchEnabled), false)
        << "a clean system is the user's wish";
    EXPECT_EQ(networksetupCalls(), QStringList{QStringLiteral("-setsocksfirewallproxystate Wi-Fi off")});
    expectEveryStepDone(result);
}

// The clean-up's commands in the order they run, networksetup through sudo and the administrator
// scripts together: the SOCKS proxy off (through a script when sudo refuses), the packet filter
// emptied, the sudo entry removed. Each step's outcome is reported on its own.
TEST_F(PacketFilterTest, CleanUpRunsItsStepsInOrderAndReportsEachOnItsOwn)
{
    const QString sudoOff
        = QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi off");
    const QString scriptOff = QStringLiteral("/usr/sbin/networksetup -setsocksfirewallproxystate 'Wi-Fi' off 2>&1");
    const QString removal = QStringLiteral("rm -f /etc/sudoers.d/velmorand-networksetup 2>/dev/null");
    struct Case {
        const char* name;
        bool hasService;
        bool sudoOffSucceeds;
        bool scriptOffSucceeds;
        bool flushSucceeds;
        bool removalSucceeds;
        QStringList steps;
        VpnManager::CleanupResult expected;
    };
    const Case cases[] = {
        {"all done", true, true, true, true, true, {sudoOff, kFlush, removal}, {true, true, true}},
        {"proxy by script", true, false, true, true, true, {sudoOff, scriptOff, kFlush, removal}, {true, true, true}},
        {"proxy refused", true, false, false, true, true, {sudoOff, scriptOff, kFlush, removal}, {false, true, true}},
        {"no network service", false, true, true, true, true, {kFlush, removal}, {false, true, true}},
        {"packet filter refused", true, true, true, false, true, {sudoOff, kFlush, removal}, {true, false, true}},
        {"sudo entry refused", true, true, true, true, false, {sudoOff, kFlush, removal}, {true, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        listing = c.hasService ? "Wi-Fi\nEthernet\n" : "";
        failing = c.sudoOffSucceeds ? QStringList{} : QStringList{QStringLiteral("-setsocksfirewallproxystate")};
        // Written on the command queue's thread, read once the clean-up has ended.
        QStringList steps;
        processes.setHandler([this, &steps](const ProcessRequest& request) {
            if (request.program == QLatin1String("/usr/bin/sudo"))
                steps.append(request.commandLine());
            return answer(request);
        });
        admin.handler = [&](const QString& script) {
            steps.append(script);
            const bool succeeds = script == scriptOff ? c.scriptOffSucceeds
                : script == kFlush                    ? c.flushSucceeds
                : script == removal                   ? c.removalSucceeds
                                                      : false;
            return AdminScriptResult{succeeds, {}, {}};
        };
        manager = makeManager(timings());

        const auto result = QCoro::waitFor(manager->cleanupSystemConfig(true));
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(result.proxyOff, c.expected.proxyOff);
        EXPECT_EQ(result.pfCleared, c.expected.pfCleared);
        EXPECT_EQ(result.sudoersRemoved, c.expected.sudoersRemoved);
    }
}

TEST_F(PacketFilterTest, CleanUpFallsBackToAnAdministratorScriptAndGoesOnAfterFailures)
{
    failing = QStringList{QStringLiteral("-setsocksfirewallproxystate")};
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    admin.handler = [](const QString& script) {
        return AdminScriptResult{script.startsWith(QStringLiteral("/usr/sbin/networksetup")), {}, {}};
    };
    auto result = QCoro::waitFor(manager->cleanupSystemConfig(true));
    EXPECT_TRUE(result.proxyOff);
    EXPECT_FALSE(result.pfCleared);
    EXPECT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchEnabled), true)
        << "the rules may still be loaded";
    EXPECT_FALSE(result.sudoersRemoved);
    EXPECT_EQ(admin.scripts.first(),
              QStringLiteral("/usr/sbin/networksetup -setsocksfirewallproxystate 'Wi-Fi' off 2>&1"));
    EXPECT_EQ(messages(), (QStringList{QStringLiteral("系统代理已清理"), QStringLiteral("移除免密权限失败")}));

    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, {}}; };
    admin.scripts.clear();
    result = QCoro::waitFor(manager->cleanupSystemConfig(false));
    EXPECT_FALSE(result.proxyOff);
    EXPECT_FALSE(result.sudoersRemoved);
    EXPECT_EQ(admin.scripts.size(), 2) << "no removal unless asked";
    EXPECT_EQ(messages().last(), QStringLiteral("系统代理清理失败(权限受限)"));

    listing = "";
    manager = makeManager(timings());
    admin.handler = {};
    admin.scripts.clear();
    result = QCoro::waitFor(manager->cleanupSystemConfig(true));
    EXPECT_FALSE(result.proxyOff) << "no service";
    EXPECT_TRUE(result.pfCleared);
    EXPECT_TRUE(result.sudoersRemoved);
    EXPECT_EQ(admin.scripts.size(), 2);
}

// The clean-up behind the settings form: its commands run off the window's thread, so the window
// keeps drawing while the administrator prompt waits, and nothing is applied before they end.
TEST_F(PacketFilterTest, CleanUpKeepsTheEventLoopRunningAndAppliesItsOutcomeAtTheEnd)
{
    connectToNode();
    QCoro::waitFor(manager->enableKillSwitch());
    published(*manager).setSystemProxyEnabled(true);
    admin.scripts.clear();
    processes.clear();
    processes.hold([](const ProcessRequest& request) {
        return request.arguments.contains(QStringLiteral("-setsocksfirewallproxystate"));
    });

    std::optional<VpnManager::CleanupResult> result;
    auto task = [](VpnManager* vpn, std::optional<VpnManager::CleanupResult>* out) -> QCoro::Task<> {
        *out = co_await vpn->cleanupSystemConfig(true);
    }(manager.get(), &result);
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return processes.waiting() == 1 && timerRan; }, 5000)) << "the loop ran on";
    EXPECT_FALSE(result);
    EXPECT_TRUE(manager->systemProxyEnabled()) << "nothing applied before the commands are done";
    processes.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));

    expectEveryStepDone(*result);
}

TEST_F(PacketFilterTest, BackgroundCleanUpReportsEachFailureOnItsOwn)
{
    failing = QStringList{QStringLiteral("-setsocksfirewallproxystate")};
    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, {}}; };
    auto result = QCoro::waitFor(manager->cleanupSystemConfig(true));
    EXPECT_FALSE(result.proxyOff);
    EXPECT_FALSE(result.pfCleared);
    EXPECT_FALSE(result.sudoersRemoved);
    EXPECT_EQ(admin.scripts.size(), 3) << "every step is tried";
    EXPECT_EQ(messages().mid(messages().size() - 2),
              (QStringList{QStringLiteral("系统代理清理失败(权限受限)"), QStringLiteral("移除免密权限失败")}));
}

TEST_F(PacketFilterTest, HostileServiceNamesAreOneQuotedWord)
{
    failing = QStringList{QStringLiteral("-setsocksfirewallproxystate")};
    for (const auto& service : kHostileValues) {
        if (service.isEmpty() || service.contains(QLatin1Char('\n')))
            continue; // a listing line can hold neither
        listing = service.toUtf8() + "\n";
        manager = makeManager(timings());
        admin.scripts.clear();
        QCoro::waitFor(manager->cleanupSystemConfig(false));
        ASSERT_FALSE(admin.scripts.isEmpty());
        EXPECT_EQ(admin.scripts.first(),
                  QStringLiteral("/usr/sbin/networksetup -setsocksfirewallproxystate ") + shellQuoted(service)
                      + QStringLiteral(" off 2>&1"));
    }
}

// The shell gives back exactly what was quoted, and runs nothing of it.
TEST(ShellQuoting, AQuotedWordReachesTheProgramUnchanged)
{
    QTemporaryDir dir;
    const auto marker = dir.filePath(QStringLiteral("pwned"));
    auto values = kHostileValues;
    values << QStringLiteral("$(touch ") + marker + QLatin1Char(')')
           << QStringLiteral("'; touch ") + marker + QStringLiteral("; '") << QStringLiteral("\\'\\\\\"$HOME\"")
           << QStringLiteral("''''");
    for (const auto& value : values) {
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("printf '%s' ") + shellQuoted(value)});
        ASSERT_TRUE(shell.waitForFinished());
        EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), value);
    }
    EXPECT_FALSE(QFile::exists(marker));
}

// The scripts themselves, run by a shell against a stand-in of the macOS packet filter that
// behaves as the real one does where it matters: "-e" fails when the filter is on, anchors count
// only when the main ruleset refers to them, and a load can fail.
class PacketFilterScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile tool(dir.filePath(QStringLiteral("pfctl")));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write(R"(#!/bin/sh
state=$(dirname "$0")
echo "pfctl $*" >> "$state/calls"
case "$*" in
  "-s rules") cat "$state/main" 2>/dev/null ;;
  "-s info") if [ -e "$state/enabled" ]; then echo "Status: Enabled for 0 days"; else echo "Status: Disabled"; fi ;;
  "-e") if [ -e "$state/enabled" ]; then echo "pfctl: pf already enabled" >&2; exit 1; fi; touch "$state/enabled" ;;
  "-f -") if [ -e "$state/ignore-main" ]; then cat > /dev/null; else grep '^anchor' | sed 's/$/ all/' > "$state/main"; fi ;;
  *"-f -") if [ -e "$state/fail-load" ]; then echo "stdin:3: syntax error" >&2; exit 1; fi; cat > "$state/anchor" ;;
  *"-F all") anchor=$(echo "$*" | sed 's/^-a //; s/ -F all$//; s|/|-|g')
    if [ -e "$state/fail-flush-$anchor" ]; then echo "no IP address found for node.example" >&2; exit 1; fi
    rm -f "$state/anchor" "$state/anchor-$anchor" ;;
esac
)");
        tool.close();
        tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    struct Run {
        int exitCode = -1;
        QString output;
    };

    // The script with our stand-in in place of /sbin/pfctl.
    Run run(QString script)
    {
        script.replace(QStringLiteral("/sbin/pfctl"), shellQuoted(dir.filePath(QStringLiteral("pfctl"))));
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
        shell.waitForFinished();
        return {shell.exitCode(), QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError())};
    }

    void touch(const char* name) { QFile(dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly); }
    QString read(const char* name) const
    {
        QFile file(dir.filePath(QLatin1String(name)));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir dir;
};

TEST_F(PacketFilterScriptTest, TheKillSwitchIsReferencedEnabledAndReportedDone)
{
    const auto result = run(PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7")}));
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(result.output.endsWith(QStringLiteral("Kill Switch activated\n")));
    EXPECT_EQ(read("main"), QStringLiteral("anchor \"com.velmorand\" all\nanchor \"com.velmorand/split\" all\n"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("enabled"))));
    EXPECT_TRUE(read("anchor").contains(QStringLiteral("pass out quick proto tcp to 203.0.113.7\n")));

    // Once more, with the filter on and the references in place: no second "-e", no reload.
    QFile::remove(dir.filePath(QStringLiteral("calls")));
    EXPECT_EQ(run(PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7")})).exitCode, 0);
    const auto calls = read("calls");
    EXPECT_FALSE(calls.contains(QStringLiteral("pfctl -e\n")));
    EXPECT_FALSE(calls.contains(QStringLiteral("pfctl -f -\n")));
}

TEST_F(PacketFilterScriptTest, AFilterAlreadyOnIsNoFailure)
{
    touch("enabled");
    const auto result = run(PacketFilterScripts::splitRules({kMail}, 501));
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(result.output.endsWith(QStringLiteral("Split tunnel rules applied\n")));
}

TEST_F(PacketFilterScriptTest, AFailedLoadFailsTheScript)
{
    touch("fail-load");
    const auto result = run(PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7")}));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_FALSE(result.output.contains(QStringLiteral("Kill Switch activated")));
}

TEST_F(PacketFilterScriptTest, RulesTheMainRulesetDoesNotReferToFailTheScript)
{
    touch("ignore-main");
    const auto result = run(PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7")}));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_FALSE(result.output.contains(QStringLiteral("Kill Switch activated")));
}

TEST_F(PacketFilterScriptTest, StoppingFlushesTheAnchorAndReportsHonestly)
{
    touch("enabled");
    touch("anchor");
    EXPECT_EQ(run(PacketFilterScripts::killSwitchStop()).exitCode, 0) << "the filter being on is no failure";
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("anchor"))));
}

// The release empties both anchors whatever became of either flush, and says when one failed.
TEST_F(PacketFilterScriptTest, TheReleaseFlushesBothAnchorsWhateverBecameOfEither)
{
    const struct {
        const char* failing;
        bool fails;
    } cases[] = {{"", false}, {"fail-flush-com.velmorand-split", true}, {"fail-flush-com.velmorand", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        QFile::remove(dir.filePath(QStringLiteral("calls")));
        for (const auto* name : {"fail-flush-com.velmorand-split", "fail-flush-com.velmorand"})
            QFile::remove(dir.filePath(QLatin1String(name)));
        if (*c.failing)
            touch(c.failing);
        const auto result = run(PacketFilterScripts::splitAndKillSwitchStop());
        EXPECT_EQ(result.exitCode != 0, c.fails) << result.output.toStdString();
        EXPECT_EQ(read("calls"),
                  QStringLiteral("pfctl -a com.velmorand/split -F all\npfctl -a com.velmorand -F all\n"));
    }
}

// The stand-in runs as root and reads its kept state back from a file: a file it did not write
// that way is refused with a message, never read past its lines. A program's rule whose path is
// refused now, its file replaced since it was loaded, is only skipped: the rest still counts.
TEST(StandInScripts, ThePacketFilterRefusesAKeptStateItCannotReadButOnlySkipsAProgramRefusedSince)
{
    QTemporaryDir programs;
    ASSERT_TRUE(programs.isValid());
    const auto replaced = programs.filePath(QStringLiteral("replaced"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/bin/sh"), replaced));
    const auto ruleFor = [](const QString& program) {
        return QStringLiteral("pass out proto { tcp udp } from any to any user 1000 program \"%1\"")
            .arg(QString::fromUtf8(QUrl::toPercentEncoding(program, "/")));
    };
    const auto mailRule = ruleFor(QStringLiteral("/opt/Mail Tool"));
    const struct {
        const char* name;
        QByteArray rules;
        // What "-s rules" shows; none when the state is refused.
        std::optional<QString> shown;
    } cases[] = {
        {"an anchor reference without its name", R"(["anchor"])", std::nullopt},
        {"a rule of no known form", R"(["pass sideways"])", std::nullopt},
        {"an empty line", R"([""])", std::nullopt},
        {"a program replaced by a shell",
         QJsonDocument(QJsonArray{ruleFor(replaced), mailRule}).toJson(QJsonDocument::Compact),
         mailRule + QLatin1Char('\n')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        QFile state(dir.filePath(QStringLiteral("state.json")));
        ASSERT_TRUE(state.open(QIODevice::WriteOnly));
        state.write(R"({"enabled": true, "rulesets": {"": )" + c.rules + "}}");
        state.close();
        QProcess pfctl;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VELMORAND_PF_STATE_DIR"), dir.path());
        pfctl.setProcessEnvironment(environment);
        pfctl.start(StandIns::programFor(QStringLiteral("/sbin/pfctl")),
                    {QStringLiteral("-s"), QStringLiteral("rules")});
        ASSERT_TRUE(pfctl.waitForFinished(30000));
        EXPECT_EQ(pfctl.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pfctl.exitCode(), c.shown ? 0 : 1);
        EXPECT_EQ(pfctl.readAllStandardError().contains("the kept state holds a rule it cannot read"), !c.shown);
        if (c.shown) {
            EXPECT_EQ(QString::fromUtf8(pfctl.readAllStandardOutput()), *c.shown);
        }
    }
}

// The pfctl stand-in for real, in a network namespace of the test's own (root only; skipped
// elsewhere).
class PfctlStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        if (!NetworkNamespace::available(&why))
            GTEST_SKIP() << why.toStdString();
        ASSERT_TRUE(network.create(&why)) << why.toStdString();
    }

    // Runs the shell command ("$0" is the stand-in, "$1" the argument) inside, with the stand-in's
    // state in the folder.
    bool run(const QString& stateFolder, const QString& shellCommand, QString* why, const QString& argument = {}) const
    {
        return network.run({QStringLiteral("/usr/bin/env"), QStringLiteral("VELMORAND_PF_STATE_DIR=") + stateFolder,
                            QStringLiteral("/bin/sh"), QStringLiteral("-c"), shellCommand,
                            StandIns::programFor(QStringLiteral("/sbin/pfctl")), argument},
                           why);
    }

    NetworkNamespace network{QStringLiteral("pfctl")};
};

// Whoever writes the rules, a program rule lets out one application: the root side leaves out a
// rule for a system folder, a folder of users' files or a shared launcher, says so, and loads the
// rest.
TEST_F(PfctlStandIn, LetsOutOneApplicationNeverASystemFolder)
{
    QString why;
    const struct {
        QString program;
        bool kept;
    } cases[] = {
        {QStringLiteral("/opt/Chat Tool"), true},
        {QStringLiteral("/"), false},
        {QStringLiteral("/usr/"), false},
        {QStringLiteral("/bin"), false},
        {QStringLiteral("/home"), false},
        {QStringLiteral("/usr/bin/python3"), false},
        {QStringLiteral("/lib64/ld-linux-x86-64.so.2"), false},
    };
    const auto programWord = [](const QString& program) {
        return QStringLiteral("program \"%1\"").arg(QString::fromUtf8(QUrl::toPercentEncoding(program, "/")));
    };
    const auto ruleFor = [&](const QString& program) -> QString {
        return QStringLiteral("pass out proto {tcp, udp} from any to any user 1000 ") + programWord(program);
    };
    const auto other = QStringLiteral("/opt/Mail Tool");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const auto read = [&](const char* name) {
            QFile file(dir.filePath(QString::fromUtf8(name)));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const auto out = shellQuoted(dir.path());
        ASSERT_TRUE(run(dir.filePath(QStringLiteral("pf")),
                        QStringLiteral("printf '%s\\n' \"$1\" | \"$0\" -a com.velmorand/split -f - 2>%1/said"
                                       " && \"$0\" -a com.velmorand/split -s rules >%1/shown")
                            .arg(out),
                        &why, ruleFor(c.program) + QLatin1Char('\n') + ruleFor(other)))
            << why.toStdString();
        const auto shown = read("shown").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const auto kept = c.kept ? QStringList{c.program, other} : QStringList{other};
        ASSERT_EQ(shown.size(), kept.size()) << read("shown").toStdString();
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_TRUE(shown[i].endsWith(programWord(kept[i]))) << shown[i].toStdString();
        EXPECT_EQ(read("said").contains(QStringLiteral("stdin:1: program left out")), !c.kept)
            << read("said").toStdString();
    }
}

// The stand-in runs as root under whatever umask its caller left (000 here): its state stays
// root's alone, and a state an earlier run left open to others is closed again.
TEST_F(PfctlStandIn, KeepsItsStateRootsAloneWhateverTheUmask)
{
    QString why;
    const auto modeOf = [](const QString& path) {
        struct stat status {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
    };
    const struct {
        const char* what;
        bool leftOpen;
    } cases[] = {{"made afresh", false}, {"left open by an earlier run", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const auto above = dir.filePath(QStringLiteral("run velmorand"));
        const QString state = above + QStringLiteral("/pf");
        if (c.leftOpen) {
            ASSERT_TRUE(QDir().mkpath(state));
            ASSERT_EQ(::chmod(QFile::encodeName(above).constData(), 0755), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(state).constData(), 0777), 0);
            for (const auto* name : {"state.json", "lock"}) {
                QFile file(state + QLatin1Char('/') + QLatin1String(name));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(R"({"enabled": false, "rulesets": {}})");
                file.close();
                ASSERT_EQ(::chmod(QFile::encodeName(file.fileName()).constData(), 0666), 0);
            }
        }
        ASSERT_TRUE(run(state, QStringLiteral("umask 000; exec \"$0\" -a com.velmorand -F all"), &why))
            << why.toStdString();
        EXPECT_EQ(modeOf(above), 0755);
        EXPECT_EQ(modeOf(state), 0700);
        EXPECT_EQ(modeOf(state + QStringLiteral("/state.json")), 0600);
        EXPECT_EQ(modeOf(state + QStringLiteral("/lock")), 0600);
    }
}

TEST(StandInScripts, MacToolPathsCallTheStandIns)
{
    const auto pfctl = StandIns::programFor(QStringLiteral("/sbin/pfctl"));
    ASSERT_NE(pfctl, QStringLiteral("/sbin/pfctl")) << "the pfctl stand-in is built into the resources";
    const auto networksetup = StandIns::programFor(QStringLiteral("/usr/sbin/networksetup"));
    const auto adapted = StandIns::adaptScript(
        QStringLiteral("/sbin/pfctl -e; x=/usr/sbin/networksetup\n/usr/sbin/networksetup -x a|/sbin/pfctl"),
        StandIns::directory());
    EXPECT_EQ(adapted.text,
              shellQuoted(pfctl) + QStringLiteral(" -e; x=") + shellQuoted(networksetup) + QLatin1Char('\n')
                  + shellQuoted(networksetup) + QStringLiteral(" -x a|") + shellQuoted(pfctl));
    EXPECT_EQ(adapted.standIns, (QStringList{pfctl, networksetup})) << "each named once, for the root check";
    // Paths that only contain a tool's name, and tools without a stand-in, stay.
    const auto untouched
        = QStringLiteral("rm -f /etc/sudoers.d/velmorand-networksetup; /bin/sh -c x; /opt/sbin/pfctl; /sbin/pfctl.d");
    EXPECT_EQ(StandIns::adaptScript(untouched, StandIns::directory()).text, untouched);
    EXPECT_TRUE(StandIns::adaptScript(untouched, StandIns::directory()).standIns.isEmpty());
}

} // namespace
