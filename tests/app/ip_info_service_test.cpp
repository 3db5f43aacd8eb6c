#include "app/ip_info_service.h"
#include "support/table_row.h"

#include "api/records/json_reader.h"
#include "app/application_proxy.h"
#include "stand_in_service/stand_in_service.h"
#include "support/fake_vpn_connection.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// The three endpoints as paths of one stand-in listener, each path answering as a test sets it.
class IPInfoServiceTest : public ::testing::Test {
protected:
    IPInfoServiceTest() { port = service.listenHttp(); }

    QUrl url(const QString& path, quint16 onPort = 0) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(onPort ? onPort : port).arg(path));
    }
    void answer(const QString& path, int status, const QByteArray& body)
    {
        StandInService::Override override;
        override.status = status;
        override.body = body;
        service.setOverride(path, override);
    }
    qsizetype requestsTo(const QString& path) const { return service.requestsTo(path).size(); }
    std::optional<PublicIPInfo> lookUp(const QList<QUrl>& endpoints, std::chrono::milliseconds timeout = 6s)
    {
        IPInfoService lookup(endpoints, timeout);
        return QCoro::waitFor(lookup.fetchPublicIP());
    }
    QList<QUrl> standardEndpoints() const
    {
        return {url(QStringLiteral("/json")), url(QStringLiteral("/json/")), url(QStringLiteral("/geoip"))};
    }

    StandInService service;
    quint16 port = 0;
};

TEST(IPInfoService, DefaultEndpointsUseTheFixedPathsInOrder)
{
    const auto endpoints = IPInfoService::defaultEndpoints();
    ASSERT_EQ(endpoints.size(), 3);
    const QStringList paths{QStringLiteral("/json"), QStringLiteral("/json/"), QStringLiteral("/geoip")};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(endpoints[i].scheme(), QStringLiteral("https"));
        EXPECT_EQ(endpoints[i].path(), paths[i]);
    }
}

TEST_F(IPInfoServiceTest, FallsThroughUnusableAnswersToTheThirdEndpoint)
{
    answer(QStringLiteral("/json"), 500, R"({"ip":"203.0.113.1"})");
    answer(QStringLiteral("/json/"), 200, R"({"ip":"","city":"Nowhere"})");
    answer(QStringLiteral("/geoip"), 200, R"({"ip":"198.51.100.7","city":"Osaka","region":"Osaka","country":"JP"})");
    const auto info = lookUp(standardEndpoints());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ip, QStringLiteral("198.51.100.7"));
    EXPECT_EQ(info->country, QStringLiteral("JP"));
    for (const auto* path : {"/json", "/json/", "/geoip"})
        EXPECT_EQ(requestsTo(QString::fromUtf8(path)), 1) << path;
    const auto request = service.requestsTo(QStringLiteral("/geoip")).first();
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_FALSE(request.header("Cookie"));
}

TEST_F(IPInfoServiceTest, TheFirstUsableAnswerEndsTheLookup)
{
    answer(QStringLiteral("/json"), 200, R"({"ip":"192.0.2.10","country_name":"Japan","country":"JP"})");
    answer(QStringLiteral("/json/"), 200, R"({"ip":"192.0.2.11"})");
    const auto info = lookUp(standardEndpoints());
    ASSERT_TRUE(info);
    EXPECT_EQ(*info, (PublicIPInfo{QStringLiteral("192.0.2.10"), std::nullopt, std::nullopt, QStringLiteral("Japan")}));
    EXPECT_EQ(requestsTo(QStringLiteral("/json/")), 0);
}

TEST_F(IPInfoServiceTest, ASilentOrClosedEndpointIsPassedOverAfterTheTimeLimit)
{
    const auto silent = service.listenSilent();
    answer(QStringLiteral("/geoip"), 200, R"({"ip":"192.0.2.20"})");
    const auto info
        = lookUp({url(QStringLiteral("/json"), silent), url(QStringLiteral("/json/"), StandInService::closedPort()),
                  url(QStringLiteral("/geoip"))},
                 300ms);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ip, QStringLiteral("192.0.2.20"));
}

TEST_F(IPInfoServiceTest, EachLookupGoesThroughTheProxyInForceThen)
{
    // The endpoint itself is a closed port: only a lookup through the proxy (the stand-in, which
    // sees the absolute address as its request target) can answer. Written as 0.0.0.0, which
    // is this machine but no loopback address, for which Qt would ask no proxy.
    const QUrl endpoint(QStringLiteral("http://0.0.0.0:%1/json").arg(StandInService::closedPort()));
    answer(endpoint.toString(), 200, R"({"ip":"192.0.2.40"})");
    FakeVpnConnection vpn;
    ApplicationProxy proxy(vpn, QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
    IPInfoService lookup({endpoint}, 2s);

    EXPECT_EQ(QCoro::waitFor(lookup.fetchPublicIP()), std::nullopt);
    vpn.setSystemProxyEnabled(true);
    const auto info = QCoro::waitFor(lookup.fetchPublicIP());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ip, QStringLiteral("192.0.2.40"));
    vpn.setSystemProxyEnabled(false);
    EXPECT_EQ(QCoro::waitFor(lookup.fetchPublicIP()), std::nullopt);
    EXPECT_EQ(requestsTo(endpoint.toString()), 1);
}

TEST_F(IPInfoServiceTest, NothingWhenEveryEndpointFails)
{
    answer(QStringLiteral("/json"), 200, "<html>busy</html>");
    answer(QStringLiteral("/json/"), 200, R"({"ip":19216801})");
    answer(QStringLiteral("/geoip"), 404, R"({"ip":"192.0.2.30"})");
    EXPECT_EQ(lookUp(standardEndpoints()), std::nullopt);
}

TEST(IPInfoService, ParsesTheAnswerFields)
{
    struct Case {
        const char* body;
        std::optional<PublicIPInfo> expected;
    };
    const auto ip = QStringLiteral("192.0.2.1");
    const Case cases[] = {
        {R"({"ip":"192.0.2.1","country_name":"Japan","country":"JP"})",
         PublicIPInfo{ip, {}, {}, QStringLiteral("Japan")}},
        {R"({"ip":"192.0.2.1","country":"JP"})", PublicIPInfo{ip, {}, {}, QStringLiteral("JP")}},
        {R"({"ip":"192.0.2.1","country_name":7,"country":"JP"})", PublicIPInfo{ip, {}, {}, QStringLiteral("JP")}},
        {R"({"ip":"192.0.2.1","city":12,"region":"Kanto"})", PublicIPInfo{ip, {}, QStringLiteral("Kanto"), {}}},
        {R"({"ip":"192.0.2.1","city":"Tokyo","region":null})", PublicIPInfo{ip, QStringLiteral("Tokyo"), {}, {}}},
        {R"({"ip":""})", std::nullopt},
        {R"({"ip":1})", std::nullopt},
        {R"({"city":"Tokyo"})", std::nullopt},
        {R"(["192.0.2.1"])", std::nullopt},
        {"not json", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IPInfoService::parseAnswer(c.body), c.expected) << c.body;
}

TEST(PublicIPInfo, LocationTextJoinsTheKnownParts)
{
    struct Case {
        std::optional<QString> city, region, country;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("Osaka"), std::nullopt, QStringLiteral("Japan"), QStringLiteral("Osaka · Japan")},
        {QString(), QStringLiteral("Kanto"), QStringLiteral("Japan"), QStringLiteral("Kanto · Japan")},
        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A · B · C")},
        {QString(), std::nullopt, QString(), QString()},
        {std::nullopt, std::nullopt, std::nullopt, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ((PublicIPInfo{QStringLiteral("192.0.2.1"), c.city, c.region, c.country}.locationText()), c.expected);
    }
}

TEST(PublicIPInfo, RoundTripsThroughItsJsonForm)
{
    const PublicIPInfo info{QStringLiteral("192.0.2.1"), QStringLiteral("Osaka"), std::nullopt,
                            QStringLiteral("Japan")};
    EXPECT_EQ(info.toJson(), R"({"ip":"192.0.2.1","city":"Osaka","country":"Japan"})");
    EXPECT_EQ(PublicIPInfo::fromJson(QJsonDocument::fromJson(info.toJson()).object()), info);
    EXPECT_THROW(PublicIPInfo::fromJson(QJsonDocument::fromJson(R"({"city":"Osaka"})").object()), DecodingError);
}

} // namespace
