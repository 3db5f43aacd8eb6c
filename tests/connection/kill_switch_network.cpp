#include "kill_switch_network.h"

#include "support/private_network.h"
#include "support/trojan_server.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace KillSwitchNetwork {

namespace {

const char kAccountVariable[] = "VELMORAND_TEST_SERVICE_ACCOUNT";

// Passes every connection to the server on to the port on this side's loopback.
void relayTo(QTcpServer& server, quint16 port)
{
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, port] {
        while (auto* in = server.nextPendingConnection()) {
            auto* out = new QTcpSocket(in);
            QObject::connect(out, &QTcpSocket::connected, in, [in, out] { out->write(in->readAll()); });
            QObject::connect(in, &QTcpSocket::readyRead, out, [in, out] {
                if (out->state() == QAbstractSocket::ConnectedState)
                    out->write(in->readAll());
            });
            QObject::connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
            QObject::connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::disconnectFromHost);
            QObject::connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
            out->connectToHost(QHostAddress::LocalHost, port);
        }
    });
}

// The stand-in service program on this side's loopback, listing the node; its test account as
// "account EMAIL PASSWORD" on stdout.
std::unique_ptr<QProcess> startService()
{
    auto service = std::make_unique<QProcess>();
    service->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    service->start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmorand-stand-in-service"),
                   {QStringLiteral("--port"), QString::number(servicePort), QStringLiteral("--trojan-node"),
                    QStringLiteral("%1:%2:%3:Crash node").arg(node).arg(trojanPort).arg(testNode(node).password)});
    static const QRegularExpression account(QStringLiteral("^Test account: (\\S+) / (\\S+)$"),
                                            QRegularExpression::MultilineOption);
    QByteArray said;
    QRegularExpressionMatch match;
    while (!(match = account.match(QString::fromUtf8(said))).hasMatch() && service->waitForReadyRead(10000))
        said += service->readAllStandardOutput();
    EXPECT_TRUE(match.hasMatch()) << said.toStdString() << service->readAllStandardError().toStdString();
    std::printf("account %s %s\n", qPrintable(match.captured(1)), qPrintable(match.captured(2)));
    return service;
}

// The server side: a TCP greeting and UDP echoes on every address, the node's Trojan server and
// the service, until it is ended.
void serve()
{
    QTcpServer tcp;
    ASSERT_TRUE(tcp.listen(QHostAddress::AnyIPv4, tcpPort));
    QObject::connect(&tcp, &QTcpServer::newConnection, [&] {
        while (auto* socket = tcp.nextPendingConnection()) {
            // The client closes: a close here with the client's bytes unread would reset the
            // connection, and the greeting with it.
            socket->write("hello\n");
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    QUdpSocket dns;
    QUdpSocket other;
    for (auto [socket, port] : {std::pair{&dns, dnsPort}, std::pair{&other, udpPort}}) {
        ASSERT_TRUE(socket->bind(QHostAddress::AnyIPv4, port));
        QObject::connect(socket, &QUdpSocket::readyRead, [socket] {
            while (socket->hasPendingDatagrams()) {
                const auto datagram = socket->receiveDatagram();
                socket->writeDatagram(datagram.makeReply(datagram.data()));
            }
        });
    }
    TrojanServer trojan(testNode(node).password, {QHostAddress(node), trojanPort, otherHost + QStringLiteral("/32")});
    QString error;
    ASSERT_TRUE(trojan.start(&error)) << error.toStdString();
    const auto service = startService();
    QTcpServer serviceAddress;
    ASSERT_TRUE(serviceAddress.listen(QHostAddress(serviceHost), servicePort));
    relayTo(serviceAddress, servicePort);
    std::printf("ready\n");
    std::fflush(stdout);
    QEventLoop().exec();
}

} // namespace

void runInPrivateNetwork(const QString& test, const std::function<void()>& client)
{
    const auto role = NetworkNamespace::role();
    if (role == QLatin1String("server"))
        return serve();
    if (role == QLatin1String("client"))
        return client();

    // Every temporary file of the two sides (the Trojan server's settings, the stand-ins' state)
    // lies in here, and goes with it however they end: the server side is killed. Programs the
    // client runs as another user pass through it.
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    QFile::setPermissions(temporary.path(), QFile::permissions(temporary.path()) | QFileDevice::ExeOther
                                                | QFileDevice::ExeGroup);
    const QMap<QString, QString> inTemporary{{QStringLiteral("TMPDIR"), temporary.path()}};

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
    for (const auto& address : {node, secondNode, otherHost, serviceHost})
        ASSERT_TRUE(server.run({QStringLiteral("ip"), QStringLiteral("address"), QStringLiteral("add"),
                                address + QStringLiteral("/32"), QStringLiteral("dev"), QStringLiteral("lo")},
                               &error))
            << error.toStdString();
    ASSERT_TRUE(clientSide.run({QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("add"),
                                QStringLiteral("default"), QStringLiteral("via"), lanHost},
                               &error))
        << error.toStdString();

    auto serving = server.startSelf(test, QStringLiteral("server"), inTemporary);
    QByteArray served;
    while (!served.contains("ready\n") && serving->waitForReadyRead(10000))
        served += serving->readAll();
    ASSERT_TRUE(served.contains("ready\n")) << served.toStdString();

    static const QRegularExpression account(QStringLiteral("^account (.+)$"), QRegularExpression::MultilineOption);
    QByteArray output;
    // Generous: a busy machine runs the root scripts slowly.
    auto clientEnvironment = inTemporary;
    clientEnvironment.insert(QString::fromLatin1(kAccountVariable), account.match(QString::fromUtf8(served)).captured(1));
    EXPECT_TRUE(clientSide.runSelf(test, QStringLiteral("client"), 300000, &output, clientEnvironment))
        << output.toStdString();
    // The prober's figures, for whoever reads the run.
    for (const auto& line : output.split('\n'))
        if (line.startsWith("prober ") || line.startsWith("measured "))
            std::printf("%s\n", line.constData());

    serving->kill();
    serving->waitForFinished();
}

ManagerAtTheNode::ManagerAtTheNode()
{
    published(manager).setConnectedNode(testNode(node));
    published(manager).setState(ConnectionState::connected);
    published(manager).setProxyRunning(true);
}

QString serviceBaseUrl() { return QStringLiteral("http://%1:%2").arg(serviceHost).arg(servicePort); }

ServiceAccount serviceAccount()
{
    const auto words = qEnvironmentVariable(kAccountVariable).split(QLatin1Char(' '));
    return {words.value(0), words.value(1)};
}

bool tcpReaches(const QString& address, quint16 port, const QNetworkProxy& proxy)
{
    QTcpSocket socket;
    socket.setProxy(proxy);
    socket.connectToHost(QHostAddress(address), port);
    if (!socket.waitForConnected(1500))
        return false;
    // A Trojan client opens its tunnel with the first bytes the application sends.
    socket.write("\n");
    // Through a tunnel the greeting may come in pieces.
    QByteArray greeting;
    while (greeting.size() < 6 && socket.waitForReadyRead(1500))
        greeting += socket.readAll();
    return greeting == "hello\n";
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

namespace {

// Shows these contents at these paths of /etc to this process and its children; the files
// shown, in the same order, go to *shown.
bool showOwnFiles(const QList<std::pair<QByteArray, QByteArray>>& files, QStringList* shown, QString* error)
{
    // Never seen outside this process: the mounts stay in its own mount namespace, and the files
    // they show live as long as the process.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *error = QStringLiteral("no mount namespace of our own: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    for (const auto& [target, content] : files) {
        auto* file = new QTemporaryFile(QCoreApplication::instance());
        if (!file->open() || file->write(content) != content.size() || !file->flush()
            || !file->setPermissions(file->permissions() | QFileDevice::ReadOther | QFileDevice::ReadGroup)
            || ::mount(QFile::encodeName(file->fileName()).constData(), target.constData(), nullptr, MS_BIND, nullptr)
                != 0) {
            *error = QStringLiteral("cannot show our own ") + QString::fromLatin1(target) + QStringLiteral(": ")
                + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        shown->append(file->fileName());
    }
    return true;
}

} // namespace

bool resolveNamesOnlyFrom(const QByteArray& hostsLines, QString* error)
{
    QStringList shown;
    return showOwnFiles({{"/etc/hosts", hostsLines}, {"/etc/nsswitch.conf", "hosts: files\n"}}, &shown, error);
}

bool ChangingNames::start(const QByteArray& hostsLines, QString* error)
{
    if (!m_resolver.bind(QHostAddress::LocalHost, 53)) {
        *error = QStringLiteral("no resolver of our own: ") + m_resolver.errorString();
        return false;
    }
    // Each try waits far longer than anything in the test may take.
    QStringList shown;
    if (!showOwnFiles({{"/etc/hosts", hostsLines},
                       {"/etc/nsswitch.conf", "hosts: files dns\n"},
                       {"/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:30 attempts:2\n"}},
                      &shown, error))
        return false;
    m_hostsFile = shown.first();
    return true;
}

bool ChangingNames::list(const QByteArray& hostsLines)
{
    // Written in place: the file shown is this one.
    QFile file(m_hostsFile);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(hostsLines) == hostsLines.size();
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) { return QTest::qWaitFor(condition, timeoutMs); }

Prober::Prober(const QStringList& phases)
    : m_counts(phases.size())
    , m_phases(phases)
{
    m_thread.reset(QThread::create([this] { probe(); }));
    m_thread->start();
}

Prober::~Prober()
{
    m_stop = true;
    m_thread->wait();
}

Prober::Count Prober::count(int phase) const
{
    QMutexLocker locker(&m_mutex);
    return m_counts[phase];
}

bool Prober::probedAtLeast(int phase, int tries) const
{
    return waitFor([&] { return count(phase).tried >= tries; });
}

QString Prober::report() const
{
    QStringList lines;
    for (int i = 0; i < m_phases.size(); ++i)
        lines.append(
            QStringLiteral("prober %1: %2 of %3 got out").arg(m_phases[i]).arg(count(i).gotOut).arg(count(i).tried));
    return lines.join(QLatin1Char('\n'));
}

void Prober::probe()
{
    while (!m_stop) {
        const int phase = m_phase;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(otherHost), tcpPort);
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

} // namespace KillSwitchNetwork
