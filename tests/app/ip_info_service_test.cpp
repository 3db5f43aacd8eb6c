#include "app/ip_info_service.h"

#include "api/records/json_reader.h"
#include "local_http_endpoint.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <QTcpServer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Answer = LocalHttpEndpoint::Answer;

std::optional<PublicIPInfo> lookUp(const QList<QUrl>& endpoints, std::chrono::milliseconds timeout = 6s)
{
    IPInfoService service(endpoints, timeout);
    return QCoro::waitFor(service.fetchPublicIP());
}

QUrl closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const auto port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/json").arg(port));
}

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

TEST(IPInfoService, FallsThroughUnusableAnswersToTheThirdEndpoint)
{
    LocalHttpEndpoint first({500, R"({"ip":"203.0.113.1"})"});
    LocalHttpEndpoint second({200, R"({"ip":"","city":"Nowhere"})"});
    LocalHttpEndpoint third({200, R"({"ip":"198.51.100.7","city":"Osaka","region":"Osaka","country":"JP"})"});
    const auto info = lookUp({first.url(QStringLiteral("/json")), second.url(QStringLiteral("/json/")),
                              third.url(QStringLiteral("/geoip"))});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ip, QStringLiteral("198.51.100.7"));
    EXPECT_EQ(info->country, QStringLiteral("JP"));
    EXPECT_EQ(first.requests(), 1);
    EXPECT_EQ(second.requests(), 1);
    EXPECT_EQ(third.requests(), 1);
    EXPECT_TRUE(third.lastRequest().startsWith("GET /geoip HTTP/1.1\r\n"));
    EXPECT_FALSE(third.lastRequest().toLower().contains("\r\ncookie:"));
}

TEST(IPInfoService, TheFirstUsableAnswerEndsTheLookup)
{
    LocalHttpEndpoint first({200, R"({"ip":"192.0.2.10","country_name":"Japan","country":"JP"})"});
    LocalHttpEndpoint second({200, R"({"ip":"192.0.2.11"})"});
    const auto info = lookUp({first.url(QStringLiteral("/json")), second.url(QStringLiteral("/json/"))});
    ASSERT_TRUE(info);
    EXPECT_EQ(*info, (PublicIPInfo{QStringLiteral("192.0.2.10"), std::nullopt, std::nullopt, QStringLiteral("Japan")}));
    EXPECT_EQ(second.requests(), 0);
}

TEST(IPInfoService, ASilentOrClosedEndpointIsPassedOverAfterTheTimeLimit)
{
    LocalHttpEndpoint silent({200, {}, true});
    LocalHttpEndpoint good({200, R"({"ip":"192.0.2.20"})"});
    const auto info = lookUp({silent.url(QStringLiteral("/json")), closedPort(), good.url(QStringLiteral("/geoip"))}, 300ms);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ip, QStringLiteral("192.0.2.20"));
    EXPECT_EQ(silent.requests(), 1);
}

TEST(IPInfoService, NothingWhenEveryEndpointFails)
{
    LocalHttpEndpoint notJson({200, "<html>busy</html>"});
    LocalHttpEndpoint numericIp({200, R"({"ip":19216801})"});
    LocalHttpEndpoint redirect({301, R"({"ip":"192.0.2.30"})"});
    EXPECT_EQ(lookUp({notJson.url(QStringLiteral("/json")), numericIp.url(QStringLiteral("/json/")),
                      redirect.url(QStringLiteral("/geoip"))}),
              std::nullopt);
}

TEST(IPInfoService, ParsesTheAnswerFields)
{
    struct Case {
        const char* body;
        std::optional<PublicIPInfo> expected;
    };
    const auto ip = QStringLiteral("192.0.2.1");
    const Case cases[] = {
        {R"({"ip":"192.0.2.1","country_name":"Japan","country":"JP"})", PublicIPInfo{ip, {}, {}, QStringLiteral("Japan")}},
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
    for (const auto& c : cases)
        EXPECT_EQ((PublicIPInfo{QStringLiteral("192.0.2.1"), c.city, c.region, c.country}.locationText()), c.expected);
}

TEST(PublicIPInfo, RoundTripsThroughItsJsonForm)
{
    const PublicIPInfo info{QStringLiteral("192.0.2.1"), QStringLiteral("Osaka"), std::nullopt, QStringLiteral("Japan")};
    EXPECT_EQ(info.toJson(), R"({"ip":"192.0.2.1","city":"Osaka","country":"Japan"})");
    EXPECT_EQ(PublicIPInfo::fromJson(QJsonDocument::fromJson(info.toJson()).object()), info);
    EXPECT_THROW(PublicIPInfo::fromJson(QJsonDocument::fromJson(R"({"city":"Osaka"})").object()), DecodingError);
}

} // namespace
