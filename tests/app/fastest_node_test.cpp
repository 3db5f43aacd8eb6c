#include "app/fastest_node.h"

#include "app_state_fixture.h"
#include "platform/settings_keys.h"
#include "support/captured_log.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TEST(FastestNode, ChoosesTheFastestFavouriteElseTheFastestNode)
{
    const QList<Node> candidates{localNode(1), localNode(2), localNode(3), localNode(4)};
    struct Case {
        const char* name;
        QHash<qint64, qint64> measured;
        QSet<qint64> favorites;
        std::optional<qint64> chosenId;
        qint64 ms;
    };
    const Case cases[] = {
        {"favourite at 900 over non-favourite at 20", {{1, 20}, {2, 900}}, {2}, 2, 900},
        {"favourite at 1500 over non-favourite at 20", {{1, 20}, {2, 1500}}, {2}, 2, 1500},
        {"favourite without answer: fastest of all", {{1, 20}, {3, 15}}, {2}, 3, 15},
        {"fastest of two favourites", {{1, 5}, {2, 300}, {4, 200}}, {2, 4}, 4, 200},
        {"equal times: earliest in list order", {{3, 40}, {2, 40}, {4, 40}}, {}, 2, 40},
        {"no answers", {}, {1}, std::nullopt, 0},
        {"answers only for unknown ids", {{9, 1}}, {}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        const auto choice = FastestNode::choose(candidates, c.measured, c.favorites);
        ASSERT_EQ(choice.has_value(), c.chosenId.has_value()) << c.name;
        if (choice) {
            EXPECT_EQ(choice->node.id, *c.chosenId) << c.name;
            EXPECT_EQ(choice->ms, c.ms) << c.name;
        }
    }
}

TEST(FastestNode, CandidatesAreTheOnlineNodesInOrder)
{
    const QList<Node> nodes{localNode(1, 1, QStringLiteral("offline")), localNode(2),
                            localNode(3, 1, QStringLiteral("Online")), localNode(4)};
    const auto candidates = FastestNode::candidates(nodes);
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_EQ(candidates[0].id, 2);
    EXPECT_EQ(candidates[1].id, 4);
    EXPECT_EQ(FastestNode::maxConnectMs, 998);
}

// A listener whose accept queue is full: a new connection's first SYN is dropped, and the client
// gets through with its retransmission about one second later, once the queue has room again.
class SlowListener {
public:
    SlowListener()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 0);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        // The one connection the queue holds.
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~SlowListener()
    {
        for (int fd : {m_filler, m_accepted, m_listener}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    quint16 port() const { return m_port; }
    // Makes room in the queue after a while, before the client's retransmission.
    void makeRoomAfter(std::chrono::milliseconds delay)
    {
        QTimer::singleShot(delay, [this] { m_accepted = ::accept(m_listener, nullptr, nullptr); });
    }

private:
    int m_listener = -1;
    int m_filler = -1;
    int m_accepted = -1;
    quint16 m_port = 0;
};

class AutoConnectFastestTest : public AppStateFixture {
protected:
    AutoConnectFastestTest()
    {
        settings.store->setValue(SettingsKeys::autoFastestNode, true);
        fastA.listen(QHostAddress::LocalHost, 0);
        fastB.listen(QHostAddress::LocalHost, 0);
    }

    void favour(qint64 id) { state->toggleFavorite(id); }

    // Runs the choice and tells whether the selecting flag was raised and lowered again.
    void run()
    {
        QSignalSpy selecting(state.get(), &AppState::isAutoSelectingChanged);
        QCoro::waitFor(state->autoConnectFastest());
        selectingChanges = selecting.size();
        EXPECT_FALSE(state->isAutoSelecting());
    }

    QTcpServer fastA;
    QTcpServer fastB;
    qsizetype selectingChanges = 0;
};

TEST_F(AutoConnectFastestTest, DoesNothingWhenSwitchedOffOrWithoutOnlineNodes)
{
    state->setNodes({localNode(1, fastA.serverPort())});
    settings.store->setValue(SettingsKeys::autoFastestNode, false);
    run();
    EXPECT_EQ(selectingChanges, 0);

    settings.store->remove(SettingsKeys::autoFastestNode);
    run();
    EXPECT_EQ(selectingChanges, 0);

    settings.store->setValue(SettingsKeys::autoFastestNode, true);
    state->setNodes({localNode(1, fastA.serverPort(), QStringLiteral("offline"))});
    run();
    EXPECT_EQ(selectingChanges, 0);
    EXPECT_TRUE(connected.isEmpty());
}

TEST_F(AutoConnectFastestTest, AnAnsweringFavouriteComesFirst)
{
    state->setNodes({localNode(1, fastA.serverPort()), localNode(2, fastB.serverPort()),
                     localNode(3, fastA.serverPort(), QStringLiteral("offline"))});
    favour(2);
    favour(3);
    run();
    EXPECT_EQ(selectingChanges, 2);
    EXPECT_EQ(connected, QList<qint64>{2});
}

TEST_F(AutoConnectFastestTest, WithoutAnAnsweringFavouriteTheFastestNodeIsTaken)
{
    const auto closed = StandInService::closedPort();
    state->setNodes({localNode(1, closed), localNode(2, fastA.serverPort())});
    favour(1);
    run();
    EXPECT_EQ(connected, QList<qint64>{2});
}

TEST_F(AutoConnectFastestTest, AFavouriteSlowerThanTheBoundIsChosenButNotConnected)
{
    SlowListener slow;
    state->setNodes({localNode(1, fastA.serverPort()), localNode(2, slow.port())});
    favour(2);
    slow.makeRoomAfter(std::chrono::milliseconds(400));
    run();
    EXPECT_EQ(selectingChanges, 2);
    EXPECT_TRUE(connected.isEmpty()) << "the fast non-favourite is not taken instead";
}

TEST_F(AutoConnectFastestTest, AnAnswerAtTheBoundIsConnectedOneMillisecondMoreIsNot)
{
    state->setNodes({localNode(1), localNode(2)});
    struct Case {
        qint64 ms;
        QList<qint64> connected;
    };
    for (const auto& c : {Case{998, {1}}, Case{999, {}}}) {
        connected.clear();
        pingNodes = [ms = c.ms](QList<Node>) { return answered({{1, ms}}); };
        run();
        EXPECT_EQ(selectingChanges, 2) << c.ms;
        EXPECT_EQ(connected, c.connected) << c.ms;
    }
}

TEST_F(AutoConnectFastestTest, NeverReplacesAConnectionUpOrUnderWay)
{
    state->setNodes({localNode(1, fastA.serverPort())});
    // Connected before the choice starts: nothing is measured.
    connectionIdle = [] { return false; };
    run();
    EXPECT_EQ(selectingChanges, 0);

    // Connected by the user while the probes ran: measured, but the live connection stays.
    int asked = 0;
    connectionIdle = [&asked] { return ++asked == 1; };
    run();
    EXPECT_EQ(selectingChanges, 2);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(connected.isEmpty());
}

TEST_F(AutoConnectFastestTest, NothingAnswersNothingConnects)
{
    state->setNodes({localNode(1, StandInService::closedPort()), localNode(2, StandInService::closedPort())});
    run();
    EXPECT_EQ(selectingChanges, 2);
    EXPECT_TRUE(connected.isEmpty());
}

TEST_F(AutoConnectFastestTest, AFailedConnectIsOnlyLogged)
{
    connectFailure = QStringLiteral("SOCKS5 代理启动失败: 23");
    state->setNodes({localNode(7, fastA.serverPort())});
    CapturedLog log;
    run();
    EXPECT_EQ(connected, QList<qint64>{7});
    EXPECT_TRUE(log.contains(QStringLiteral("Auto-connect failed: SOCKS5 代理启动失败: 23")));
}

} // namespace
