// The node list, announcements and the version check.
#include "api_test_support.h"

using namespace api_test;

class NodeCallsTest : public ApiTest {};

TEST_F(NodeCallsTest, TheServiceNodeListOnceSignedIn)
{
    auto client = makeClient({url});
    EXPECT_TRUE(awaitTask(client->fetchNodes()).isEmpty()); // refused: not signed in

    signIn(*client);
    const auto nodes = awaitTask(client->fetchNodes());

    ASSERT_EQ(nodes.size(), service.state().nodes.size());
    EXPECT_EQ(nodes[0].id, 1);
    EXPECT_EQ(nodes[0].server, QStringLiteral("203.0.113.11"));
    EXPECT_EQ(nodes[0].method, QStringLiteral("trojan"));
    EXPECT_TRUE(nodes[0].isOnline());
    EXPECT_EQ(nodes[0].regionEmoji(), QStringLiteral("🇭🇰"));
    EXPECT_EQ(nodes[1].method, QStringLiteral("reality"));
    const auto offline = std::find_if(nodes.begin(), nodes.end(), [](const Node& node) { return !node.isOnline(); });
    ASSERT_NE(offline, nodes.end());
    EXPECT_FALSE(offline->delay);
}

TEST_F(NodeCallsTest, ListShapes)
{
    struct Case {
        const char* name;
        QByteArray body;
        QList<qint64> ids;
    };
    const Case cases[] = {
        {"data before nodes, even when empty", R"({"data":[],"nodes":[{"id":1}]})", {}},
        {"data used", R"({"data":[{"id":4},{"id":5}],"nodes":[{"id":1}]})", {4, 5}},
        {"nodes when data is an object", R"({"data":{"id":9},"nodes":[{"id":2}]})", {2}},
        {"data with a non-object falls back to nodes", R"({"data":[{"id":1},7],"nodes":[{"id":3}]})", {3}},
        {"neither", R"({"ok":true})", {}},
        {"a top-level array", R"([{"id":1}])", {}},
        {"a node without anything", R"({"data":[{}]})", {0}},
    };
    auto client = makeClient({url});
    for (const auto& c : cases) {
        answerWith(QStringLiteral("/api/nodes"), c.body);
        QList<qint64> ids;
        for (const auto& node : awaitTask(client->fetchNodes()))
            ids.append(node.id);
        EXPECT_EQ(ids, c.ids) << c.name;
    }
}

TEST_F(NodeCallsTest, MembersOfTheWrongTypeGiveTheirDefaults)
{
    answerWith(QStringLiteral("/api/nodes"), R"({"nodes":[
        {"id":7.0,"name":"A","host":"10.0.0.1","server":"10.0.0.2","port":"443","delay":35.5,"sort_order":3,"location":"日本"},
        {"id":"8","name":5,"host":7,"server":"10.0.0.3","port":8443,"method":"reality","status":"online","delay":12,"bandwidth":"1G"},
        {"id":9,"host":"","server":"10.0.0.4","status":null}
    ]})");
    auto client = makeClient({url});
    const auto nodes = awaitTask(client->fetchNodes());

    ASSERT_EQ(nodes.size(), 3);
    EXPECT_EQ(nodes[0].id, 7);
    EXPECT_EQ(nodes[0].name, QStringLiteral("A"));
    EXPECT_EQ(nodes[0].server, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(nodes[0].port, 0);
    EXPECT_FALSE(nodes[0].delay);
    EXPECT_EQ(nodes[0].sort_order, 3);
    EXPECT_EQ(nodes[0].status, QStringLiteral("offline"));
    EXPECT_EQ(nodes[0].location, QStringLiteral("日本"));
    EXPECT_FALSE(nodes[0].bandwidth);

    EXPECT_EQ(nodes[1].id, 0);
    EXPECT_EQ(nodes[1].name, QString());
    EXPECT_EQ(nodes[1].server, QStringLiteral("10.0.0.3"));
    EXPECT_EQ(nodes[1].port, 8443);
    EXPECT_EQ(nodes[1].delay, 12);
    EXPECT_EQ(nodes[1].bandwidth, QStringLiteral("1G"));
    EXPECT_TRUE(nodes[1].isOnline());

    // An empty host is a host: "server" is not consulted.
    EXPECT_EQ(nodes[2].server, QString());
    EXPECT_EQ(nodes[2].status, QStringLiteral("offline"));
    EXPECT_EQ(nodes[2].password, QString());
}

TEST_F(NodeCallsTest, AnErrorPageInsteadOfTheListThrows)
{
    answerWith(QStringLiteral("/api/nodes"), "<html>502 Bad Gateway</html>", 502);
    auto client = makeClient({url});
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchNodes()));
}

TEST_F(NodeCallsTest, AnnouncementShapes)
{
    struct Case {
        const char* name;
        QByteArray body;
        std::optional<QList<qint64>> ids; // absent: the call throws
    };
    const Case cases[] = {
        {"the announcements member",
         R"({"announcements":[{"id":2,"title":"t","content":"<p>c</p>","created_at":"x"}]})", QList<qint64>{2}},
        {"a bad element of the announcements member",
         R"({"ok":true,"announcements":[{"id":2,"title":"t","content":"c"}],"data":[]})", std::nullopt},
        {"empty announcements fall back to the response record, which needs ok", R"({"announcements":[]})",
         std::nullopt},
        {"the response record",
         R"({"ok":true,"announcements":[],"data":[{"id":5,"title":"t","content":"c","created_at":"x"}]})",
         QList<qint64>{5}},
        {"ok without data", R"({"ok":true})", QList<qint64>{}},
        {"data null", R"({"ok":false,"data":null})", QList<qint64>{}},
        {"not JSON", "<html></html>", std::nullopt},
    };
    auto client = makeClient({url});
    for (const auto& c : cases) {
        answerWith(QStringLiteral("/api/announcements"), c.body);
        if (!c.ids) {
            EXPECT_THROW(awaitTask(client->fetchAnnouncements()), DecodingError) << c.name;
            continue;
        }
        QList<qint64> ids;
        for (const auto& announcement : awaitTask(client->fetchAnnouncements()))
            ids.append(announcement.id);
        EXPECT_EQ(ids, *c.ids) << c.name;
    }
}

TEST_F(NodeCallsTest, TheServiceAnnouncements)
{
    auto client = makeClient({url});
    const auto announcements = awaitTask(client->fetchAnnouncements());
    ASSERT_EQ(announcements.size(), 3);
    EXPECT_EQ(announcements.first().id, 14);
    EXPECT_TRUE(announcements.first().content.contains(QStringLiteral("<b>")));
}

TEST_F(NodeCallsTest, VersionCheck)
{
    auto client = makeClient({url});
    const auto version = awaitTask(client->checkVersion(QStringLiteral("macos")));

    EXPECT_EQ(service.requests().last().target, QByteArray("/api/app_version?platform=macos"));
    ASSERT_TRUE(version);
    EXPECT_TRUE(version->ok);
    EXPECT_EQ(version->version, QStringLiteral(VELMORAND_VERSION));
    ASSERT_TRUE(version->downloadUrl);
    EXPECT_TRUE(version->downloadUrl->startsWith(url));

    answerWith(QStringLiteral("/api/app_version"), R"({"ok":true,"version":"2.0.0","downloadUrl":"x"})");
    const auto renamed = awaitTask(client->checkVersion(QStringLiteral("macos")));
    ASSERT_TRUE(renamed);
    EXPECT_FALSE(renamed->downloadUrl);
    answerWith(QStringLiteral("/api/app_version"), R"({"version":"2.0.0"})");
    EXPECT_TRUE(awaitError<DecodingError>(client->checkVersion(QStringLiteral("macos"))));
}
