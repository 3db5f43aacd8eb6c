// Endpoint discovery: the remote pool list and its merge, then the health probes.
#include "api/domain_pool.h"

#include "api_test_support.h"
#include "support/scoped_env.h"

#include <QJsonDocument>

using namespace api_test;
using namespace Qt::StringLiterals;

TEST(DomainPool, RemoteListReading)
{
    struct Case {
        const char* name;
        QByteArray body;
        std::optional<QStringList> expected;
    };
    const Case cases[] = {
        {"primary hosts, then new http entries",
         R"({"data":{"domain_pool":{"primary":["a.example","b.example"],"entries":[{"url":"https://a.example"},{"url":"ftp://x.example"},{"url":"http://c.example:8080"}]}}})",
         QStringList{u"https://a.example"_s, u"https://b.example"_s, u"http://c.example:8080"_s}},
        {"entries only, duplicates once",
         R"({"data":{"domain_pool":{"entries":[{"url":"https://c"},{"url":"https://c"},{"weight":1}]}}})",
         QStringList{u"https://c"_s}},
        {"primary duplicates are kept", R"({"data":{"domain_pool":{"primary":["a","a"]}}})",
         QStringList{u"https://a"_s, u"https://a"_s}},
        {"primary with a non-text element is ignored",
         R"({"data":{"domain_pool":{"primary":["a",1],"entries":[{"url":"https://d"}]}}})",
         QStringList{u"https://d"_s}},
        {"entries with a non-object element are ignored",
         R"({"data":{"domain_pool":{"primary":["a"],"entries":[{"url":"https://d"},"https://e"]}}})",
         QStringList{u"https://a"_s}},
        {"Http in another case is no url", R"({"data":{"domain_pool":{"entries":[{"url":"HTTPS://d"}]}}})",
         std::nullopt},
        {"empty pool", R"({"data":{"domain_pool":{}}})", std::nullopt},
        {"pool not an object", R"({"data":{"domain_pool":[]}})", std::nullopt},
        {"no data", R"({"ok":true})", std::nullopt},
        {"not JSON", "<html></html>", std::nullopt},
        {"top-level array", "[]", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DomainPool::parseRemote(c.body), c.expected) << c.name;
}

TEST(DomainPool, MergeKeepsTheCurrentServiceFirst)
{
    struct Case {
        const char* name;
        QStringList current;
        QStringList remote;
        QString base;
        QStringList expected;
    };
    const Case cases[] = {
        {"remote first, missing current entries after",
         {u"https://a"_s, u"https://b"_s},
         {u"https://c"_s, u"https://a"_s},
         u"https://x"_s,
         {u"https://c"_s, u"https://a"_s, u"https://b"_s}},
        {"the entry holding the current host trades places with the first",
         {u"https://main.example"_s, u"https://f1.example"_s, u"https://f2.example"_s},
         {u"https://n1.example"_s, u"https://n2.example"_s, u"https://api.main.example"_s},
         u"https://main.example"_s,
         {u"https://api.main.example"_s, u"https://n2.example"_s, u"https://n1.example"_s, u"https://main.example"_s,
          u"https://f1.example"_s, u"https://f2.example"_s}},
        {"already first: no change",
         {u"https://a.example"_s},
         {u"https://a.example"_s, u"https://b.example"_s},
         u"https://a.example"_s,
         {u"https://a.example"_s, u"https://b.example"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DomainPool::merge(c.current, c.remote, c.base), c.expected) << c.name;
}

TEST(DomainPool, DescribeWritesAQuotedList)
{
    EXPECT_EQ(DomainPool::describe({u"https://a"_s, u"https://b"_s}), QStringLiteral("[\"https://a\", \"https://b\"]"));
    EXPECT_EQ(DomainPool::describe({}), QStringLiteral("[]"));
}

TEST(DomainPool, TheEnvironmentReplacesTheBuiltInPool)
{
    const ScopedEnv pool("VELMORAND_API_POOL");
    qunsetenv("VELMORAND_API_POOL");
    const auto builtIn = DomainPool::defaults();
    EXPECT_EQ(builtIn.size(), 3);
    qputenv("VELMORAND_API_POOL", " http://127.0.0.1:1 , ,http://127.0.0.1:2");
    EXPECT_EQ(DomainPool::defaults(), (QStringList{u"http://127.0.0.1:1"_s, u"http://127.0.0.1:2"_s}));
    qputenv("VELMORAND_API_POOL", ",");
    EXPECT_EQ(DomainPool::defaults(), builtIn);
}

class DiscoveryTest : public ApiTest {
protected:
    DiscoveryTest()
    {
        // Three listeners of one service; by default the pool answer names none.
        ports = {port, service.listenHttp(), service.listenHttp()};
        for (const auto p : ports)
            urls.append(service.baseUrl(p));
        service.state().domainPool = QJsonObject();
    }
    void unhealthy(quint16 which)
    {
        auto down = answer(503, "{\"ok\":false}");
        down.port = which;
        service.setOverride(QStringLiteral("/api/health"), down);
    }
    QList<quint16> probedPorts() const
    {
        QList<quint16> probed;
        for (const auto& request : service.requestsTo(QStringLiteral("/api/health")))
            probed.append(request.localPort);
        return probed;
    }

    QList<quint16> ports;
    QStringList urls;
};

TEST_F(DiscoveryTest, ProbesFromTheStoredIndexAndStoresTheFirstHealthyEntry)
{
    auto client = makeClient(urls);
    storeIndex(1);
    unhealthy(ports[1]);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(probedPorts(), (QList<quint16>{ports[1], ports[2]}));
    EXPECT_EQ(storedIndex(), 2);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("[ApiService] 入口切换 → ") + urls[2]});
    // The pool list was asked of the entry in use, unsigned and without cookies.
    const auto config = service.requestsTo(QStringLiteral("/api/guest/comm/config"));
    ASSERT_EQ(config.size(), 1);
    EXPECT_EQ(config.first().localPort, ports[1]);
    EXPECT_FALSE(config.first().header("Cookie"));
    EXPECT_FALSE(config.first().header("X-Velmorand-App-Sign"));
}

TEST_F(DiscoveryTest, WrapsAroundThePool)
{
    auto client = makeClient(urls);
    storeIndex(2);
    unhealthy(ports[2]);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(probedPorts(), (QList<quint16>{ports[2], ports[0]}));
    EXPECT_EQ(storedIndex(), 0);
}

TEST_F(DiscoveryTest, KeepsAHealthyEntryInUse)
{
    auto client = makeClient(urls);
    storeIndex(1);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(probedPorts(), QList<quint16>{ports[1]});
    EXPECT_EQ(storedIndex(), 1);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("[ApiService] 入口保持 → ") + urls[1]});
}

TEST_F(DiscoveryTest, DeadAndUnhealthyEntriesAreSkipped)
{
    const auto silent = service.baseUrl(service.listenSilent());
    auto client = makeClient({closedUrl(), silent, urls[0], urls[1]});
    storeIndex(0);
    unhealthy(ports[0]);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(storedIndex(), 3);
    EXPECT_EQ(client->baseURL(), urls[1]);
}

TEST_F(DiscoveryTest, WhenEveryProbeFailsTheIndexStays)
{
    auto client = makeClient(urls);
    storeIndex(1);
    for (const auto p : ports)
        unhealthy(p);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(probedPorts().size(), 3);
    EXPECT_EQ(storedIndex(), 1);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("[ApiService] 所有入口探测失败, 保持 ") + urls[1]});
}

TEST_F(DiscoveryTest, AStoredIndexOutsideThePoolStartsAtTheEntryInUse)
{
    auto client = makeClient(urls);
    storeIndex(5);
    unhealthy(ports[0]);

    awaitTask(client->discoverBestEndpoint());

    // Entry 0 was in use (5 is outside the pool); the probes go on from there.
    EXPECT_EQ(probedPorts(), (QList<quint16>{ports[0], ports[1]}));
    EXPECT_EQ(storedIndex(), 1);
}

TEST_F(DiscoveryTest, TheServicePoolIsMergedBeforeProbing)
{
    const auto extra = service.baseUrl(service.listenHttp());
    service.state().domainPool = QJsonObject{
        {QStringLiteral("entries"),
         QJsonArray{QJsonObject{{QStringLiteral("url"), extra}}, QJsonObject{{QStringLiteral("url"), urls[0]}}}}};
    auto client = makeClient({urls[0], urls[1]});
    storeIndex(0);

    awaitTask(client->discoverBestEndpoint());

    // Every entry holds the host 127.0.0.1, so the first one stays first.
    EXPECT_EQ(client->domainPool(), (QStringList{extra, urls[0], urls[1]}));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines()[0],
              QStringLiteral("[ApiService] 域名池更新: [\"") + extra + QStringLiteral("\", \"") + urls[0]
                  + QStringLiteral("\", \"") + urls[1] + QStringLiteral("\"]"));
    // The stored index was not touched by the merge: entry 0 is now the new one, and healthy.
    EXPECT_EQ(log.lines()[1], QStringLiteral("[ApiService] 入口保持 → ") + extra);
    EXPECT_EQ(storedIndex(), 0);
}
