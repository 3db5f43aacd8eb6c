#include "kill_switch_network.h"

#include "support/private_network.h"
#include "support/trojan_server.h"
#include "xray_test_fixture.h"

#include <QEventLoop>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <cstdio>

namespace KillSwitchNetwork {

namespace {

// The server side: a TCP greeting and UDP echoes on every address, and the node's Trojan server,
// until it is ended.
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
    for (const auto& address : {node, secondNode, otherHost})
        ASSERT_TRUE(server.run({QStringLiteral("ip"), QStringLiteral("address"), QStringLiteral("add"),
                                address + QStringLiteral("/32"), QStringLiteral("dev"), QStringLiteral("lo")},
                               &error))
            << error.toStdString();
    ASSERT_TRUE(clientSide.run({QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("add"),
                                QStringLiteral("default"), QStringLiteral("via"), lanHost},
                               &error))
        << error.toStdString();

    auto serving = server.startSelf(test, QStringLiteral("server"));
    QByteArray served;
    while (!served.contains("ready\n") && serving->waitForReadyRead(10000))
        served += serving->readAll();
    ASSERT_TRUE(served.contains("ready\n")) << served.toStdString();

    QByteArray output;
    EXPECT_TRUE(clientSide.runSelf(test, QStringLiteral("client"), 120000, &output)) << output.toStdString();
    // The prober's figures, for whoever reads the run.
    for (const auto& line : output.split('\n'))
        if (line.startsWith("prober "))
            std::printf("%s\n", line.constData());

    serving->kill();
    serving->waitForFinished();
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
