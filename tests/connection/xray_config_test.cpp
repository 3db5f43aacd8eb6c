#include "connection/custom_dns.h"
#include "connection/xray_constants.h"
#include "xray_test_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QJsonObject parse(const QString& text)
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return document.object();
}

QJsonObject proxyOutbound(const QJsonObject& document)
{
    return document[QStringLiteral("outbounds")].toArray()[0].toObject();
}

class XrayConfigTest : public ::testing::Test {
protected:
    QString build(const Node& node, const std::optional<QString>& sni = std::nullopt,
                  const QString& mode = QStringLiteral("rule"))
    {
        fixture.settings.store->setValue(SettingsKeys::mihomoMode, mode);
        return fixture.make()->buildConfig(node, sni);
    }

    XrayFixture fixture;
};

// Everything after the resolver settings, for a Trojan node in rule mode without a server name.
const char* const kTrojanRuleTail = R"(,
  "inbounds" : [
    {
      "listen" : "127.0.0.1",
      "port" : 1081,
      "protocol" : "http",
      "settings" : {
        "allowTransparent" : false
      }
    },
    {
      "listen" : "127.0.0.1",
      "port" : 1080,
      "protocol" : "socks",
      "settings" : {
        "auth" : "noauth",
        "udp" : true
      },
      "sniffing" : {
        "destOverride" : [
          "http",
          "tls"
        ],
        "enabled" : true
      }
    }
  ],
  "log" : {
    "loglevel" : "warning"
  },
  "outbounds" : [
    {
      "protocol" : "trojan",
      "settings" : {
        "servers" : [
          {
            "address" : "203.0.113.7",
            "password" : "pw-1",
            "port" : 443
          }
        ]
      },
      "streamSettings" : {
        "network" : "tcp",
        "security" : "tls",
        "tlsSettings" : {
          "pinnedPeerCertSha256" : [
            "b81d4e7a39c25f06a7e3d18b42f9c06e5a1b7d3c98e24f60b3a5c7e19d08f2a4"
          ],
          "serverName" : "203.0.113.7"
        }
      },
      "tag" : "proxy"
    },
    {
      "protocol" : "freedom",
      "tag" : "direct"
    }
  ],
  "routing" : {
    "domainStrategy" : "IPIfNonMatch",
    "rules" : [
      {
        "ip" : [
          "geoip:cn"
        ],
        "outboundTag" : "direct",
        "type" : "field"
      },
      {
        "domain" : [
          "geosite:cn"
        ],
        "outboundTag" : "direct",
        "type" : "field"
      }
    ]
  }
})";

TEST_F(XrayConfigTest, TrojanDocumentIsWrittenSortedAndPrettyPrinted)
{
    const auto text = build(testNode());
    EXPECT_TRUE(text.startsWith(QLatin1String("{\n  \"dns\" : {\n    \"hosts\" : {\n"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QString::fromUtf8(kTrojanRuleTail))) << text.toStdString();
    // Top-level members in name order.
    QList<qsizetype> positions;
    for (const auto* key : {"\n  \"dns\"", "\n  \"inbounds\"", "\n  \"log\"", "\n  \"outbounds\"", "\n  \"routing\""})
        positions.append(text.indexOf(QLatin1String(key)));
    EXPECT_FALSE(positions.contains(-1));
    EXPECT_TRUE(std::is_sorted(positions.cbegin(), positions.cend()));
}

TEST_F(XrayConfigTest, ResolverSettingsHaveTheirFixedShape)
{
    const auto text = build(testNode());
    const auto dns = parse(text)[QStringLiteral("dns")].toObject();
    ASSERT_EQ(dns.keys(), (QStringList{QStringLiteral("hosts"), QStringLiteral("servers")}));

    const auto hosts = dns[QStringLiteral("hosts")].toObject();
    EXPECT_EQ(hosts.size(), 17);
    const QRegularExpression ipv4(QStringLiteral(R"(^\d{1,3}(\.\d{1,3}){3}$)"));
    QSet<QString> addresses;
    for (auto it = hosts.begin(); it != hosts.end(); ++it) {
        EXPECT_TRUE(ipv4.match(it.value().toString()).hasMatch()) << it.key().toStdString();
        addresses.insert(it.value().toString());
    }
    EXPECT_LT(addresses.size(), hosts.size()) << "several names share one address";

    const auto servers = dns[QStringLiteral("servers")].toArray();
    ASSERT_EQ(servers.size(), 3);
    const auto plain = servers[0].toObject();
    EXPECT_TRUE(ipv4.match(plain[QStringLiteral("address")].toString()).hasMatch());
    EXPECT_EQ(plain[QStringLiteral("domains")].toArray(), QJsonArray{QStringLiteral("geosite:cn")});
    const QRegularExpression doh(QStringLiteral(R"(^https://[a-z0-9.-]+/dns-query$)"));
    EXPECT_TRUE(doh.match(servers[1].toString()).hasMatch());
    EXPECT_TRUE(doh.match(servers[2].toString()).hasMatch());
    // The serializer escapes every slash.
    EXPECT_TRUE(text.contains(QLatin1String("\"https:\\/\\/"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("https://")));
}

TEST(CustomDnsText, OnlyPlainIpAddressesAreServers)
{
    struct Case {
        QString text;
        std::optional<QStringList> servers;
    };
    const Case cases[] = {
        {QString(), QStringList{}},
        {QStringLiteral("  ,; "), QStringList{}},
        {QStringLiteral("1.1.1.1"), QStringList{QStringLiteral("1.1.1.1")}},
        {QStringLiteral("1.1.1.1, 2001:4860:4860::8888;9.9.9.9"),
         QStringList{QStringLiteral("1.1.1.1"), QStringLiteral("2001:4860:4860::8888"), QStringLiteral("9.9.9.9")}},
        {QStringLiteral("8.8.8.8\n8.8.4.4"), QStringList{QStringLiteral("8.8.8.8"), QStringLiteral("8.8.4.4")}},
        {QStringLiteral("8.8.8.8 8.8.4.4"), QStringList{QStringLiteral("8.8.8.8"), QStringLiteral("8.8.4.4")}},
        {QStringLiteral("1"), std::nullopt},
        {QStringLiteral("10.1"), std::nullopt},
        {QStringLiteral("256.1.1.1"), std::nullopt},
        {QStringLiteral("dns.google"), std::nullopt},
        {QStringLiteral("1.1.1.1, dns.google"), std::nullopt},
        {QStringLiteral("fe80::1%eth0"), std::nullopt},
        {QStringLiteral("https://1.1.1.1/dns-query"), std::nullopt},
        {QStringLiteral("1.1.1.1:53"), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CustomDns::parse(c.text), c.servers) << c.text.toStdString();
}

TEST_F(XrayConfigTest, ValidCustomDnsServersComeFirstAndAnInvalidTextIsLeftOut)
{
    fixture.settings.store->setValue(SettingsKeys::customDNS, QStringLiteral("9.9.9.9, 2620:fe::fe"));
    auto servers = parse(build(testNode()))[QStringLiteral("dns")][QStringLiteral("servers")].toArray();
    ASSERT_EQ(servers.size(), 5);
    EXPECT_EQ(servers[0].toString(), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(servers[1].toString(), QStringLiteral("2620:fe::fe"));
    EXPECT_EQ(servers[2].toObject()[QStringLiteral("domains")].toArray(), QJsonArray{QStringLiteral("geosite:cn")});

    fixture.settings.store->setValue(SettingsKeys::customDNS, QStringLiteral("9.9.9.9, resolver.example"));
    servers = parse(build(testNode()))[QStringLiteral("dns")][QStringLiteral("servers")].toArray();
    EXPECT_EQ(servers.size(), 3) << "a text the form rejects changes nothing";
}

TEST_F(XrayConfigTest, RealityNodeGetsTheVlessOutbound)
{
    const auto document = parse(
        build(testNode(QStringLiteral("203.0.113.7"), QStringLiteral("reality")), QStringLiteral("ignored.example")));
    const QJsonObject expected{
        {QStringLiteral("protocol"), QStringLiteral("vless")},
        {QStringLiteral("settings"),
         QJsonObject{{QStringLiteral("vnext"),
                      QJsonArray{QJsonObject{
                          {QStringLiteral("address"), QStringLiteral("203.0.113.7")},
                          {QStringLiteral("port"), 443},
                          {QStringLiteral("users"),
                           QJsonArray{QJsonObject{{QStringLiteral("encryption"), QStringLiteral("none")},
                                                  {QStringLiteral("id"), QStringLiteral("pw-1")}}}},
                      }}}}},
        {QStringLiteral("streamSettings"),
         QJsonObject{
             {QStringLiteral("network"), QStringLiteral("tcp")},
             {QStringLiteral("realitySettings"),
              QJsonObject{
                  {QStringLiteral("fingerprint"), QStringLiteral("chrome")},
                  {QStringLiteral("publicKey"), QStringLiteral("Qm7RtXw2Lp9Vc4Nz8HbKd1Fs6Gy3Ja5Ue0Wq-Ti_Ox4")},
                  {QStringLiteral("serverName"), XrayConstants::realityServerName},
                  {QStringLiteral("shortId"), QStringLiteral("4f2a9d61")},
              }},
             {QStringLiteral("security"), QStringLiteral("reality")},
         }},
        {QStringLiteral("tag"), QStringLiteral("proxy")},
    };
    EXPECT_EQ(proxyOutbound(document), expected);
}

TEST_F(XrayConfigTest, OnlyTheExactMethodRealitySelectsVless)
{
    for (const auto* method : {"reality", "Reality", "REALITY", "trojan", "", "vmess"}) {
        const auto protocol = proxyOutbound(parse(
            build(testNode(QStringLiteral("203.0.113.7"), QString::fromLatin1(method)))))[QStringLiteral("protocol")]
                                  .toString();
        EXPECT_EQ(protocol, QLatin1String(qstrcmp(method, "reality") == 0 ? "vless" : "trojan")) << method;
    }
}

TEST_F(XrayConfigTest, HostsUnderTheSecondFallbackDomainUseItsKeyAndPin)
{
    struct Case {
        const char* server;
        bool secondSet;
    };
    const Case cases[] = {
        {"api-c.velmorand.example", true},
        {"API-C.VELMORAND.EXAMPLE", true},
        {"hk2.api-c.velmorand.example", true},
        {"api-b.velmorand.example", false},
        {"203.0.113.7", false},
    };
    for (const auto& c : cases) {
        const auto server = QString::fromLatin1(c.server);
        const auto trojan = proxyOutbound(parse(build(testNode(server))));
        const auto pin = trojan[QStringLiteral("streamSettings")][QStringLiteral("tlsSettings")]
                               [QStringLiteral("pinnedPeerCertSha256")]
                                   .toArray();
        EXPECT_EQ(pin, QJsonArray{c.secondSet ? XrayConstants::vozaCertPin : XrayConstants::gkCertPin}) << c.server;
        const auto reality = proxyOutbound(parse(build(testNode(server, QStringLiteral("reality")))));
        EXPECT_EQ(
            reality[QStringLiteral("streamSettings")][QStringLiteral("realitySettings")][QStringLiteral("publicKey")]
                .toString(),
            c.secondSet ? XrayConstants::vozaPubKey : XrayConstants::defaultPubKey)
            << c.server;
    }
}

TEST_F(XrayConfigTest, TrojanServerNameIsTheGivenNameElseTheHost)
{
    const auto serverName = [&](const std::optional<QString>& sni) {
        return proxyOutbound(parse(
            build(testNode(),
                  sni)))[QStringLiteral("streamSettings")][QStringLiteral("tlsSettings")][QStringLiteral("serverName")]
            .toString();
    };
    EXPECT_EQ(serverName(std::nullopt), QStringLiteral("203.0.113.7"));
    EXPECT_EQ(serverName(QStringLiteral("hk1.Example.NET")), QStringLiteral("hk1.Example.NET"));
}

TEST(XrayServerName, CarriesTheNodesRegionPrefix)
{
    struct Case {
        const char* server;
        const char* name;
    };
    for (const auto& c :
         {Case{"hk2a.example.net", "hk2a"}, Case{"usw.example.net", "usw"}, Case{"ab12c.example.net", "ab12c"},
          Case{"HK03.Example.NET", "hk03"}, Case{"203.0.113.7", "hk1"}, Case{"node.example.net", "hk1"},
          Case{"jp", "jp"}, Case{"xy.example.net", "hk1"}}) {
        auto n = testNode(QString::fromLatin1(c.server));
        EXPECT_EQ(XrayManager::serverNameFor(n), QLatin1String(c.name) + QStringLiteral(".cdn.velmorand.net"))
            << c.server;
    }
}

TEST_F(XrayConfigTest, GlobalModeRoutesEverythingThroughTheProxy)
{
    struct Case {
        const char* mode;
        int rules;
    };
    for (const auto& c : {Case{"global", 0}, Case{"rule", 2}, Case{"", 2}, Case{"Global", 2}, Case{"direct", 2}}) {
        SCOPED_TRACE(std::string("mode \"") + c.mode + "\"");
        const auto text = build(testNode(), std::nullopt, QString::fromLatin1(c.mode));
        const auto rules = parse(text)[QStringLiteral("routing")][QStringLiteral("rules")].toArray();
        EXPECT_EQ(rules.size(), c.rules) << c.mode;
        if (c.rules == 2) {
            EXPECT_EQ(rules[0][QStringLiteral("ip")].toArray(), QJsonArray{QStringLiteral("geoip:cn")});
            EXPECT_EQ(rules[1][QStringLiteral("domain")].toArray(), QJsonArray{QStringLiteral("geosite:cn")});
        }
    }
}

TEST_F(XrayConfigTest, TextValuesAreEscaped)
{
    auto node = testNode();
    node.password = QStringLiteral("a\"b\\c/d\né");
    const auto text = build(node);
    EXPECT_TRUE(text.contains(QStringLiteral(R"("password" : "a\"b\\c\/d\né")"))) << text.toStdString();
    EXPECT_EQ(
        proxyOutbound(parse(text))[QStringLiteral("settings")][QStringLiteral("servers")][0][QStringLiteral("password")]
            .toString(),
        node.password);
}

} // namespace
