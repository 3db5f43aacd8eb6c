// The kill switch and the per-application rules for real: the administrator scripts run as root
// through the pfctl stand-in, whose nftables table filters a private network namespace. Two
// namespaces joined by a veth pair: the client (192.168.77.1, the only address it sends from) and
// a server side holding the node (198.51.100.2), another host (198.51.100.3) and a LAN host
// (192.168.77.2). Nothing here reaches this machine's own network or firewall.
#include "connection/vpn_error.h"
#include "connection/vpn_manager.h"
#include "platform/admin_script_runner.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "support/private_network.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMutex>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

const QString kTest
    = QStringLiteral("KillSwitchInANamespace.BlocksAllButLoopbackTheNodeDnsTheLanAndChosenApplications");
const QString kHoldingTest
    = QStringLiteral("KillSwitchInANamespace.NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects");
const QString kNode = QStringLiteral("198.51.100.2");
const QString kSecondNode = QStringLiteral("198.51.100.4");
const QString kOtherHost = QStringLiteral("198.51.100.3");
const QString kLanHost = QStringLiteral("192.168.77.2");
constexpr quint16 kTcpPort = 7000;
constexpr quint16 kUdpPort = 7001;
constexpr quint16 kDnsPort = 53;
const QString kNobody = QStringLiteral("65534");

// The server side: a TCP greeting and UDP echoes on every address, until it is ended.
void serve()
{
    QTcpServer tcp;
    ASSERT_TRUE(tcp.listen(QHostAddress::AnyIPv4, kTcpPort));
    QObject::connect(&tcp, &QTcpServer::newConnection, [&] {
        while (auto* socket = tcp.nextPendingConnection()) {
            socket->write("hello\n");
            socket->disconnectFromHost();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    QUdpSocket dns;
    QUdpSocket other;
    for (auto [socket, port] : {std::pair{&dns, kDnsPort}, std::pair{&other, kUdpPort}}) {
        ASSERT_TRUE(socket->bind(QHostAddress::AnyIPv4, port));
        QObject::connect(socket, &QUdpSocket::readyRead, [socket] {
            while (socket->hasPendingDatagrams()) {
                const auto datagram = socket->receiveDatagram();
                socket->writeDatagram(datagram.makeReply(datagram.data()));
            }
        });
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QEventLoop().exec();
}

bool tcpReaches(const QString& address, quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(address), port);
    if (!socket.waitForConnected(1500))
        return false;
    return socket.waitForReadyRead(1500) && socket.readAll() == "hello\n";
}

bool tcpConnects(const QString& address, quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(address), port);
    return socket.waitForConnected(1500);
}

bool udpEchoes(const QString& address, quint16 port)
{
    QUdpSocket socket;
    if (socket.writeDatagram("ping", QHostAddress(address), port) < 0)
        return false;
    return socket.waitForReadyRead(1000) && socket.receiveDatagram().data() == "ping";
}

// Whether a program run as the user id gets a TCP greeting from the address.
bool tcpReachesAs(const QString& uid, const QString& address, quint16 port)
{
    QProcess probe;
    probe.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + uid, QStringLiteral("--clear-groups"),
                 QStringLiteral("timeout"), QStringLiteral("2"), QStringLiteral("/bin/bash"), QStringLiteral("-c"),
                 QStringLiteral("exec 3<>/dev/tcp/%1/%2 && head -n 1 <&3").arg(address).arg(port)});
    return probe.waitForFinished(10000) && probe.exitCode() == 0 && probe.readAllStandardOutput() == "hello\n";
}

QString nftRuleset()
{
    QProcess nft;
    nft.start(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")});
    nft.waitForFinished();
    return QString::fromUtf8(nft.readAllStandardOutput());
}

// A copy of sleep inside an application bundle, run as nobody: a running application whose
// processes pgrep finds by the bundle's path.
std::unique_ptr<QProcess> startApplicationAsNobody(const QTemporaryDir& dir, QString* bundle)
{
    *bundle = dir.filePath(QStringLiteral("Split Test.app"));
    const QString executable = *bundle + QStringLiteral("/Contents/MacOS/splittest");
    QDir().mkpath(QFileInfo(executable).path());
    QFile::copy(QStringLiteral("/bin/sleep"), executable);
    // Nobody must be able to reach and run it.
    for (auto path = QFileInfo(executable).path(); path.startsWith(dir.path()); path = QFileInfo(path).path())
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    QFile::setPermissions(executable, QFile::permissions(executable) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    auto application = std::make_unique<QProcess>();
    application->start(QStringLiteral("setpriv"),
                       {QStringLiteral("--reuid=") + kNobody, QStringLiteral("--regid=") + kNobody,
                        QStringLiteral("--clear-groups"), executable, QStringLiteral("120")});
    application->waitForStarted();
    return application;
}

// Inside the client namespace. Answers come at once here; a probe that waits is blocked.
void runClient()
{
    // The stand-ins keep their state in throwaway places.
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());

    ASSERT_TRUE(tcpReaches(kOtherHost, kTcpPort)) << "the other host answers before the kill switch";
    QTcpServer local;
    ASSERT_TRUE(local.listen(QHostAddress::LocalHost));

    XrayFixture coreFixture;
    auto xray = coreFixture.make();
    const auto processes = ProcessRunner::makeNative();
    const auto adminScripts = AdminScriptRunner::makeNative();
    VpnManager manager(*coreFixture.settings.store, *processes, *xray, *adminScripts);
    auto node = testNode(kNode);
    published(manager).setConnectedNode(node);
    published(manager).setState(ConnectionState::connected);
    published(manager).setProxyRunning(true);

    for (int round = 1; round <= 2; ++round) {
        // The second round finds the filter already on.
        QCoro::waitFor(manager.enableKillSwitch());
        ASSERT_TRUE(manager.killSwitchEnabled()) << manager.connectionLog().first().message.toStdString();
        EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
        EXPECT_TRUE(nftRuleset().contains(QStringLiteral("table inet velmorand"))) << nftRuleset().toStdString();

        EXPECT_TRUE(tcpReaches(kNode, kTcpPort)) << "TCP to the node";
        EXPECT_TRUE(udpEchoes(kNode, kUdpPort)) << "UDP to the node";
        EXPECT_TRUE(udpEchoes(kOtherHost, kDnsPort)) << "DNS anywhere";
        EXPECT_TRUE(tcpReaches(kLanHost, kTcpPort)) << "the local network";
        EXPECT_TRUE(tcpConnects(QStringLiteral("127.0.0.1"), local.serverPort())) << "loopback";
        EXPECT_FALSE(tcpReaches(kOtherHost, kTcpPort))
            << "TCP elsewhere is blocked, although we send from a LAN address";
        EXPECT_FALSE(udpEchoes(kOtherHost, kUdpPort)) << "UDP elsewhere is blocked";
        EXPECT_FALSE(tcpReachesAs(kNobody, kOtherHost, kTcpPort)) << "no application is let through yet";

        QCoro::waitFor(manager.disableKillSwitch());
        EXPECT_FALSE(manager.killSwitchEnabled());
        EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("🔓 网络锁已关闭"));
        EXPECT_TRUE(tcpReaches(kOtherHost, kTcpPort)) << "open again after the release, round " << round;
        EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
    }

    // An application let through by its user id.
    QTemporaryDir applications;
    QString bundle;
    auto application = startApplicationAsNobody(applications, &bundle);
    QCoro::waitFor(manager.enableKillSwitch());
    QCoro::waitFor(manager.addSplitTunnelApp(bundle));
    EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("分应用代理: 1 个应用已绕过 VPN"));
    EXPECT_TRUE(tcpReachesAs(kNobody, kOtherHost, kTcpPort)) << "the application's user passes";
    EXPECT_FALSE(tcpReachesAs(QStringLiteral("0"), kOtherHost, kTcpPort)) << "everyone else stays blocked";
    application->kill();
    application->waitForFinished();

    const auto result = QCoro::waitFor(manager.cleanupSystemConfig(false));
    EXPECT_TRUE(result.proxyOff);
    EXPECT_TRUE(result.pfCleared);
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(tcpReaches(kOtherHost, kTcpPort)) << "the clean-up released the kill switch";
}

// Tries a new TCP connection to the other host every 15 ms or so from a thread of its own and
// counts, per phase of the test, how many were tried and how many got out.
class Prober {
public:
    struct Count {
        int tried = 0;
        int gotOut = 0;
    };

    explicit Prober(const QStringList& phases)
        : m_counts(phases.size())
        , m_phases(phases)
    {
        m_thread.reset(QThread::create([this] { probe(); }));
        m_thread->start();
    }
    ~Prober()
    {
        m_stop = true;
        m_thread->wait();
    }

    void enter(int phase) { m_phase = phase; }
    Count count(int phase) const
    {
        QMutexLocker locker(&m_mutex);
        return m_counts[phase];
    }
    QString report() const
    {
        QStringList lines;
        for (int i = 0; i < m_phases.size(); ++i)
            lines.append(QStringLiteral("prober %1: %2 of %3 got out")
                             .arg(m_phases[i])
                             .arg(count(i).gotOut)
                             .arg(count(i).tried));
        return lines.join(QLatin1Char('\n'));
    }

private:
    void probe()
    {
        while (!m_stop) {
            const int phase = m_phase;
            QTcpSocket socket;
            socket.connectToHost(QHostAddress(kOtherHost), kTcpPort);
            // Here an answer takes well under a millisecond; a blocked attempt gets none.
            const bool out = socket.waitForConnected(10);
            socket.abort();
            {
                QMutexLocker locker(&m_mutex);
                ++m_counts[phase].tried;
                m_counts[phase].gotOut += out ? 1 : 0;
            }
            QThread::msleep(5);
        }
    }

    mutable QMutex m_mutex;
    QList<Count> m_counts;
    const QStringList m_phases;
    std::atomic<int> m_phase{0};
    std::atomic<bool> m_stop{false};
    std::unique_ptr<QThread> m_thread;
};

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

// With the kill switch chosen: connect, lose the core and let the automatic reconnect make the
// tunnel again, switch to a second node, disconnect. A prober tries the other host all along.
void runClientThroughReconnectAndSwitch()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_TRUE(tcpReaches(kOtherHost, kTcpPort)) << "the other host answers before the kill switch";

    XrayFixture coreFixture;
    coreFixture.installCore();
    coreFixture.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    auto xray = coreFixture.make();
    VpnTimings timings;
    timings.healthInterval = std::chrono::milliseconds(100);
    timings.reconnectPause = std::chrono::milliseconds(300);
    const auto processes = ProcessRunner::makeNative();
    const auto adminScripts = AdminScriptRunner::makeNative();
    VpnManager manager(*coreFixture.settings.store, *processes, *xray, *adminScripts, timings);
    const auto cores
        = [&] { return coreFixture.launcher.madeFor(coreFixture.resources.filePath(QStringLiteral("xray"))); };
    auto first = testNode(kNode);
    first.id = 1;
    auto second = testNode(kSecondNode);
    second.id = 2;

    // While the user's disconnect runs, the release comes at some point: probes then may go
    // either way.
    enum Phase { connecting, connected, reconnecting, switching, disconnecting, disconnected };
    Prober prober({QStringLiteral("connect"), QStringLiteral("connected"), QStringLiteral("reconnect"),
                   QStringLiteral("switch"), QStringLiteral("during the disconnect"),
                   QStringLiteral("after the disconnect")});
    const auto probedAtLeast
        = [&](Phase phase, int tries) { return waitFor([&] { return prober.count(phase).tried >= tries; }); };

    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(first)));
    ASSERT_TRUE(manager.killSwitchEnabled()) << manager.connectionLog().first().message.toStdString();
    prober.enter(connected);
    ASSERT_TRUE(probedAtLeast(connected, 20));

    prober.enter(reconnecting);
    cores().last().child->end();
    ASSERT_TRUE(waitFor([&] { return cores().size() == 2 && manager.state() == ConnectionState::connected; }));
    ASSERT_TRUE(probedAtLeast(reconnecting, 40));
    EXPECT_TRUE(manager.killSwitchEnabled());

    prober.enter(switching);
    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(second)));
    EXPECT_EQ(manager.connectedNode()->id, 2);
    EXPECT_TRUE(tcpReaches(kSecondNode, kTcpPort)) << "the new node is let out";
    EXPECT_FALSE(tcpReaches(kNode, kTcpPort)) << "the old node's pass rule is gone";
    ASSERT_TRUE(probedAtLeast(switching, 20));

    prober.enter(disconnecting);
    QCoro::waitFor(manager.disconnect());
    prober.enter(disconnected);
    EXPECT_FALSE(manager.killSwitchEnabled());
    ASSERT_TRUE(probedAtLeast(disconnected, 20));

    std::printf("%s\n", qPrintable(prober.report()));
    for (const auto phase : {connected, reconnecting, switching})
        EXPECT_EQ(prober.count(phase).gotOut, 0) << prober.report().toStdString();
    EXPECT_EQ(prober.count(disconnected).gotOut, prober.count(disconnected).tried) << prober.report().toStdString();
}

// Runs `client` in the client namespace against the server side, as the test named `test`.
void runInPrivateNetwork(const QString& test, void (*client)())
{
    const auto role = NetworkNamespace::role();
    if (role == QLatin1String("server"))
        return serve();
    if (role == QLatin1String("client"))
        return client();

    QString why;
    if (!NetworkNamespace::available(&why))
        GTEST_SKIP() << "The kill switch is tested in a private network namespace, which cannot be made here: "
                     << why.toStdString();
    NetworkNamespace clientSide(QStringLiteral("ks-client"));
    NetworkNamespace server(QStringLiteral("ks-server"));
    QString error;
    ASSERT_TRUE(clientSide.create(&error)) << error.toStdString();
    ASSERT_TRUE(server.create(&error)) << error.toStdString();
    ASSERT_TRUE(clientSide.linkTo(server, QStringLiteral("192.168.77.1/24"), QStringLiteral("192.168.77.2/24"), &error))
        << error.toStdString();
    for (const auto& address : {kNode, kSecondNode, kOtherHost})
        ASSERT_TRUE(server.run({QStringLiteral("ip"), QStringLiteral("address"), QStringLiteral("add"),
                                address + QStringLiteral("/32"), QStringLiteral("dev"), QStringLiteral("lo")},
                               &error))
            << error.toStdString();
    ASSERT_TRUE(clientSide.run({QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("add"),
                                QStringLiteral("default"), QStringLiteral("via"), kLanHost},
                               &error))
        << error.toStdString();

    auto serving = server.startSelf(test, QStringLiteral("server"));
    QByteArray served;
    while (!served.contains("ready\n") && serving->waitForReadyRead(10000))
        served += serving->readAll();
    ASSERT_TRUE(served.contains("ready\n")) << served.toStdString();

    auto testing = clientSide.startSelf(test, QStringLiteral("client"));
    ASSERT_TRUE(testing->waitForFinished(120000));
    const auto output = testing->readAll();
    EXPECT_EQ(testing->exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    // The prober's figures, for whoever reads the run.
    for (const auto& line : output.split('\n'))
        if (line.startsWith("prober "))
            std::printf("%s\n", line.constData());

    serving->kill();
    serving->waitForFinished();
}

TEST(KillSwitchInANamespace, BlocksAllButLoopbackTheNodeDnsTheLanAndChosenApplications)
{
    runInPrivateNetwork(kTest, runClient);
}

TEST(KillSwitchInANamespace, NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects)
{
    runInPrivateNetwork(kHoldingTest, runClientThroughReconnectAndSwitch);
}

} // namespace
