#include "connection/ping_service.h"
#include "support/loopback_ports.h"
#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QString kLoopback = QStringLiteral("127.0.0.1");

Node nodeAt(qint64 id, quint16 port)
{
    Node node;
    node.id = id;
    node.name = QStringLiteral("node %1").arg(id);
    node.server = kLoopback;
    node.port = port;
    return node;
}

TEST(PingRounding, HalvesGoAwayFromZero)
{
    struct Case {
        std::chrono::nanoseconds elapsed;
        qint64 milliseconds;
    };
    for (const auto& c : {Case{12400us, 12}, Case{12600us, 13}, Case{12500us, 13}, Case{499us, 0}, Case{500us, 1},
                          Case{0ns, 0}, Case{2999999999ns, 3000}})
        EXPECT_EQ(PingService::roundedMilliseconds(c.elapsed), c.milliseconds) << c.elapsed.count();
}

class PingServiceTest : public ::testing::Test {
protected:
    PingService service;
};

TEST_F(PingServiceTest, AListeningPortAnswersWithTheConnectTime)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer clock;
    clock.start();
    const auto ms = QCoro::waitFor(service.ping(kLoopback, server.serverPort(), 3.0));
    ASSERT_TRUE(ms);
    EXPECT_GE(*ms, 0);
    EXPECT_LE(*ms, clock.elapsed() + 1);
    // The probe sends nothing.
    ASSERT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(1000));
    auto* accepted = server.nextPendingConnection();
    accepted->waitForReadyRead(100);
    EXPECT_EQ(accepted->readAll(), QByteArray());
}

TEST_F(PingServiceTest, AClosedPortAnswersNothingAtOnce)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(QCoro::waitFor(service.ping(kLoopback, closedLoopbackPort(), 3.0)));
    EXPECT_LT(clock.elapsed(), 2000) << "a refusal does not wait for the time limit";
}

TEST_F(PingServiceTest, APortThatNeverAnswersEndsWithTheTimeLimit)
{
    SilentPort silent;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(QCoro::waitFor(service.ping(kLoopback, silent.port(), 0.3)));
    EXPECT_GE(clock.elapsed(), 290);
}

TEST_F(PingServiceTest, InputsOutsideTheDomainAnswerNothing)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    EXPECT_FALSE(QCoro::waitFor(service.ping(kLoopback, 65536 + server.serverPort(), 3.0)));
    EXPECT_FALSE(QCoro::waitFor(service.ping(kLoopback, -1, 3.0)));
    EXPECT_FALSE(QCoro::waitFor(service.ping(kLoopback, server.serverPort(), -1.0)));
    EXPECT_FALSE(
        QCoro::waitFor(service.ping(kLoopback, server.serverPort(), std::numeric_limits<double>::quiet_NaN())));
}

TEST_F(PingServiceTest, ANodeListMapsTheNodesThatAnswered)
{
    QTcpServer listening;
    ASSERT_TRUE(listening.listen(QHostAddress::LocalHost, 0));
    SilentPort silent;
    const QList<Node> nodes{nodeAt(1, listening.serverPort()), nodeAt(2, closedLoopbackPort()),
                            nodeAt(3, silent.port()), nodeAt(4, listening.serverPort())};
    const auto results = QCoro::waitFor(service.ping(nodes));
    EXPECT_EQ(QSet<qint64>(results.keyBegin(), results.keyEnd()), (QSet<qint64>{1, 4}));
    EXPECT_TRUE(QCoro::waitFor(service.ping(QList<Node>{})).isEmpty());
}

TEST_F(PingServiceTest, NodesSharingAnIdKeepTheProbeThatFinishedLast)
{
    QTcpServer listening;
    ASSERT_TRUE(listening.listen(QHostAddress::LocalHost, 0));
    // The refused probe finishes first but answers nothing; the listening one is the only answer.
    const auto results
        = QCoro::waitFor(service.ping(QList<Node>{nodeAt(5, listening.serverPort()), nodeAt(5, closedLoopbackPort())}));
    EXPECT_EQ(results.keys(), QList<qint64>{5});
}

} // namespace
