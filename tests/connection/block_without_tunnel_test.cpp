// The block that holds while no tunnel is up (after a crashed run, here taken over at launch):
// what its rules let out of the service hosts and the listed nodes, as the scripts record it, and
// when it is loaded again for a changed node list.
#include "connection/packet_filter_scripts.h"
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/table_row.h"

#include <QFile>
#include <QSemaphore>

#include <memory>

#include <QCoroTask>

namespace {

using Destination = PacketFilterScripts::TcpDestination;

const QString kServiceAddress = QStringLiteral("192.0.2.50");

Node listedNode(qint64 id, const QString& server, qint64 port)
{
    auto node = testNode(server);
    node.id = id;
    node.port = port;
    return node;
}

class BlockWithoutTunnelTest : public EngineTest {
protected:
    // A new launch after a run killed with the kill switch chosen and its rules loaded, whose
    // context hands over these service hosts and the list in `listed`.
    void launchAfterACrash(const QStringList& serviceHosts)
    {
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
        core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
        manager = makeManager(timings());
        manager->setServiceHosts([serviceHosts] { return serviceHosts; });
        manager->setListedNodes([this] { return listed; });
        admin.scripts.clear();
        QCoro::waitFor(manager->recoverLeftoverKillSwitch());
        ASSERT_TRUE(manager->killSwitchEnabled()) << messages().join(QLatin1Char('\n')).toStdString();
    }

    QList<Node> listed;
};

TEST_F(BlockWithoutTunnelTest, EachServiceHostIsLetOutOnItsOwnAndOneThatDoesNotResolveIsLeftOutAndLogged)
{
    resolved.insert(QStringLiteral("api.service.example"),
                    {QHostAddress(QStringLiteral("192.0.2.60")), QHostAddress(QStringLiteral("2001:db8::60"))});
    resolved.insert(QStringLiteral("scoped.service.example"), {QHostAddress(QStringLiteral("fe80::1%lo"))});
    struct Case {
        QStringList serviceHosts;
        QStringList letOut;
        QStringList leftOut;
    };
    const Case cases[] = {
        {{QStringLiteral("api.service.example"), QStringLiteral("gone.service.example"), kServiceAddress,
          QStringLiteral("a.example\nEOF\nrm -rf /"), QStringLiteral("scoped.service.example")},
         {QStringLiteral("192.0.2.60"), QStringLiteral("2001:db8::60"), kServiceAddress},
         {QStringLiteral("gone.service.example"), QStringLiteral("scoped.service.example")}},
        // Not one resolves: the block holds all the same, letting no server out.
        {{QStringLiteral("gone.service.example")}, {}, {QStringLiteral("gone.service.example")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        launchAfterACrash(c.serviceHosts);
        EXPECT_EQ(admin.scripts, QStringList{PacketFilterScripts::killSwitchStart(c.letOut)})
            << "names reach the script as their addresses, never as names the root side must resolve";
        QStringList leftOut;
        for (const auto& line : log())
            if (line.type == Type::warning && line.message.startsWith(QStringLiteral("🔒 网络锁未放行无法解析的地址: ")))
                leftOut.append(line.message.section(QStringLiteral(": "), 1));
        EXPECT_EQ(leftOut, c.leftOut);
        EXPECT_EQ(messages().last(), QStringLiteral("🔒 网络锁仍在生效,仅放行本应用的服务请求"));
    }
}

TEST_F(BlockWithoutTunnelTest, ANameWhoseLookUpDoesNotEndInTimeIsLeftOutAndTheRestLoadWithoutIt)
{
    // The look-up of the silent name ends only when the test lets it, after the load.
    const auto answerNow = std::make_shared<QSemaphore>();
    const auto answered = std::make_shared<QSemaphore>();
    const auto silent = QStringLiteral("silent.service.example");
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
    useTimings([&](VpnTimings& t) {
        // Long enough for the name that answers at once, also on a busy machine.
        t.nameLookupLimit = std::chrono::milliseconds(1000);
        t.resolve = [answerNow, answered, silent](const QString& name) -> QList<QHostAddress> {
            if (name != silent)
                return {QHostAddress(QStringLiteral("192.0.2.60"))};
            answerNow->acquire();
            answered->release();
            return {QHostAddress(QStringLiteral("192.0.2.61"))};
        };
    });
    manager->setServiceHosts([silent] { return QStringList{silent, QStringLiteral("api.service.example")}; });
    admin.scripts.clear();
    auto recovering = manager->recoverLeftoverKillSwitch();
    const bool loadedMeanwhile = QTest::qWaitFor([&] { return recovering.isReady(); }, 5000);
    answerNow->release();
    ASSERT_TRUE(loadedMeanwhile) << "the load waited for the silent name";
    QCoro::waitFor(std::move(recovering));
    EXPECT_EQ(admin.scripts, QStringList{PacketFilterScripts::killSwitchStart({QStringLiteral("192.0.2.60")})});
    EXPECT_TRUE(messages().contains(QStringLiteral("🔒 网络锁未放行无法解析的地址: ") + silent));
    EXPECT_TRUE(manager->killSwitchEnabled());
    ASSERT_TRUE(answered->tryAcquire(1, 5000)) << "the late look-up ends on its own";
}

TEST_F(BlockWithoutTunnelTest, ABlockWhoseScriptIsRefusedOrFailsIsNeverTakenAsLoaded)
{
    using Refusal = AdminScriptResult::Refusal;
    const AdminScriptResult outcomes[] = {
        {false, {}, QStringLiteral("dismissed"), Refusal::notAuthorized},
        {false, {}, QStringLiteral("not run as root"), Refusal::untrustedInstall},
        {false, {}, QStringLiteral("pfctl: syntax error"), Refusal::none},
    };
    const auto block = PacketFilterScripts::killSwitchStart({kServiceAddress});
    for (const auto& outcome : outcomes) {
        SCOPED_TRACE(tableRow(outcomes, outcome));
        // Only the block's own script ends so: a connect's rules for its node load.
        const auto refuseTheBlock = [&outcome, block](const QString& script) {
            return script == block ? outcome : AdminScriptResult{true, {}, {}};
        };
        // The log's lines before the block's load.
        qsizetype earlier = 0;
        const std::pair<const char*, std::function<void()>> ways[] = {
            {"taken over at launch",
             [&] {
                 admin.handler = refuseTheBlock;
                 launchAfterACrash({kServiceAddress});
             }},
            {"after a connect that failed",
             [&] {
                 launchAfterACrash({kServiceAddress});
                 earlier = messages().size();
                 admin.handler = refuseTheBlock;
                 QFile::remove(core.resources.filePath(QStringLiteral("xray")));
                 ASSERT_TRUE(connectTo(listedNode(1, QStringLiteral("203.0.113.30"), 443)));
                 core.installCore();
             }},
        };
        for (const auto& [way, happen] : ways) {
            SCOPED_TRACE(way);
            admin.handler = {};
            earlier = 0;
            happen();
            EXPECT_EQ(admin.scripts.last(), block);
            const auto logged = messages().mid(earlier);
            EXPECT_EQ(logged.last(), QStringLiteral("🔒 网络锁设置失败"));
            EXPECT_FALSE(logged.contains(QStringLiteral("🔒 网络锁仍在生效,仅放行本应用的服务请求")));
        }
    }
}

TEST_F(BlockWithoutTunnelTest, TheListedNodesAreLetOutForTcpToTheirPortAndNothingElse)
{
    resolved.insert(QStringLiteral("hk.nodes.example"), {QHostAddress(QStringLiteral("203.0.113.31"))});
    listed = {
        listedNode(1, QStringLiteral("203.0.113.30"), 443),
        listedNode(2, QStringLiteral("hk.nodes.example"), 8443),
        listedNode(3, QStringLiteral("gone.nodes.example"), 443),
        listedNode(4, QStringLiteral("203.0.113.32\npass out all"), 443),
        listedNode(5, QStringLiteral("any"), 443),
        listedNode(6, QStringLiteral("203.0.113.33"), 0),
        listedNode(7, QStringLiteral("203.0.113.34"), 70000),
        listedNode(8, QStringLiteral("203.0.113.35"), -443),
        listedNode(9, QStringLiteral("203.0.113.30"), 443),
        listedNode(10, QStringLiteral("2001:db8::36"), 65535),
    };
    launchAfterACrash({kServiceAddress});
    const QList<Destination> letOut{{QStringLiteral("203.0.113.30"), 443},
                                    {QStringLiteral("203.0.113.31"), 8443},
                                    {QStringLiteral("2001:db8::36"), 65535}};
    ASSERT_EQ(admin.scripts, QStringList{PacketFilterScripts::killSwitchStart({kServiceAddress}, letOut)});
    const auto& script = admin.scripts.first();
    EXPECT_TRUE(script.contains(QLatin1String("\npass out quick proto tcp to 203.0.113.31 port 8443\n")));
    EXPECT_TRUE(script.contains(QLatin1String("\npass out quick proto tcp to 2001:db8::36 port 65535\n")));
    EXPECT_FALSE(script.contains(QLatin1String("udp to 203.0.113.30"))) << "a node gets TCP to its port only";
    EXPECT_TRUE(messages().contains(QStringLiteral("🔒 网络锁未放行无法解析的地址: gone.nodes.example")));

    // The connect lets its node out beside the service, then the node alone: no port of the list
    // stays open.
    ASSERT_FALSE(connectTo(listed.first()));
    QCoro::waitFor(manager->enableKillSwitch());
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.30")}));
    QCoro::waitFor(manager->disconnect());
}

TEST_F(BlockWithoutTunnelTest, AChangedNodeListIsLetOutOnlyWhileTheBlockHoldsWithoutATunnel)
{
    const auto first = listedNode(1, QStringLiteral("203.0.113.30"), 443);
    const auto second = listedNode(2, QStringLiteral("203.0.113.31"), 443);
    const auto blockFor = [](const QList<Destination>& nodes) {
        return PacketFilterScripts::killSwitchStart({kServiceAddress}, nodes);
    };
    launchAfterACrash({kServiceAddress});
    ASSERT_EQ(admin.scripts, QStringList{blockFor({})}) << "no list yet at launch";

    struct Step {
        const char* what;
        std::function<void()> before;
        QList<Node> list;
        QStringList scripts;
    };
    const Step steps[] = {
        {"the list arrives", {}, {first}, {blockFor({{QStringLiteral("203.0.113.30"), 443}})}},
        {"the same list again", {}, {first}, {}},
        {"a node more",
         {},
         {first, second},
         {blockFor({{QStringLiteral("203.0.113.30"), 443}, {QStringLiteral("203.0.113.31"), 443}})}},
        {"connected: the tunnel's rules stay", [this, &first] { ASSERT_FALSE(connectTo(first)); }, {second}, {}},
        {"disconnected: no rules to change", [this] { QCoro::waitFor(manager->disconnect()); }, {first}, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.before)
            step.before();
        admin.scripts.clear();
        listed = step.list;
        QCoro::waitFor(manager->listedNodesChanged());
        EXPECT_EQ(admin.scripts, step.scripts);
    }
}

TEST_F(BlockWithoutTunnelTest, AChangedNodeListLeavesTheRulesOfAConnectUnderWay)
{
    const auto first = listedNode(1, QStringLiteral("203.0.113.30"), 443);
    launchAfterACrash({kServiceAddress});
    QSemaphore lettingTheNodeOut;
    QSemaphore mayEnd;
    std::atomic<bool> held{false};
    admin.handler = [&](const QString& script) {
        // The connect's first load, which lets the node out beside the service.
        if (script.contains(QLatin1String("proto tcp to 203.0.113.30\n")) && !held.exchange(true)) {
            lettingTheNodeOut.release();
            mayEnd.acquire();
        }
        return AdminScriptResult{true, {}, {}};
    };
    auto connecting = manager->connectTo(first);
    ASSERT_TRUE(lettingTheNodeOut.tryAcquire(1, 5000));
    listed = {first};
    auto changing = manager->listedNodesChanged();
    mayEnd.release();
    EXPECT_FALSE(failureOf<VpnError>(std::move(connecting)));
    QCoro::waitFor(std::move(changing));
    EXPECT_EQ(admin.scripts.filter(QStringLiteral(" port 443")), QStringList{})
        << "the block without a tunnel never comes back over the connect";
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.30")}));
    QCoro::waitFor(manager->disconnect());
}

TEST_F(BlockWithoutTunnelTest, ProbesAskedForAfterAChangeOfTheListWaitUntilTheBlockLetsItOut)
{
    launchAfterACrash({kServiceAddress});
    QSemaphore loading;
    QSemaphore mayEnd;
    admin.handler = [&](const QString&) {
        loading.release();
        mayEnd.acquire();
        return AdminScriptResult{true, {}, {}};
    };
    listed = {listedNode(1, QStringLiteral("203.0.113.30"), 443)};
    auto changing = manager->listedNodesChanged();
    ASSERT_TRUE(loading.tryAcquire(1, 5000)) << "the block is loaded again";
    auto settled = manager->rulesSettled();
    EXPECT_FALSE(settled.isReady()) << "not before the load has run";
    mayEnd.release();
    QCoro::waitFor(std::move(settled));
    EXPECT_EQ(admin.scripts.last(),
              PacketFilterScripts::killSwitchStart({kServiceAddress}, {{QStringLiteral("203.0.113.30"), 443}}));
    QCoro::waitFor(std::move(changing));
}

} // namespace
