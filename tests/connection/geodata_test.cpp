#include "geodata_writer.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(Geodata, ListsAreWrittenInTheCoresWireFormat)
{
    // GeoIPList{entry: GeoIP{country_code: "CN", cidr: [CIDR{ip: 127.0.0.0, prefix: 8}]}}
    const auto geoip = Geodata::encodeGeoIp({{QStringLiteral("CN"), {{QHostAddress(QStringLiteral("127.0.0.0")), 8}}}});
    EXPECT_EQ(geoip.toHex(), QByteArray("0a0e0a02434e12080a047f0000001008"));
    // GeoSiteList{entry: GeoSite{country_code: "CN", domain: [Domain{type: Full, value: "a.cn"}]}}
    const auto geosite
        = Geodata::encodeGeoSite({{QStringLiteral("CN"), {{Geodata::DomainKind::full, QStringLiteral("a.cn")}}}});
    EXPECT_EQ(geosite.toHex(), QByteArray("0a0e0a02434e120808031204612e636e"));
}

TEST(Geodata, TheSourceListGathersEntriesPerCode)
{
    QString error;
    const auto sources = Geodata::parseSources(QStringLiteral("# comment\n"
                                                              "ip cn 10.0.0.0/8\n"
                                                              "site CN domain:example.cn   # trailing\n"
                                                              "ip US 2001:db8::/32\n"
                                                              "site CN full:www.example.cn\n"
                                                              "ip CN 192.168.0.0/16\n"
                                                              "site CN example.org\n"),
                                               &error);
    ASSERT_TRUE(sources) << error.toStdString();
    ASSERT_EQ(sources->ipLists.size(), 2);
    EXPECT_EQ(sources->ipLists[0].code, QStringLiteral("CN"));
    EXPECT_EQ(sources->ipLists[0].cidrs.size(), 2);
    EXPECT_EQ(sources->ipLists[0].cidrs[1].prefix, 16);
    EXPECT_EQ(sources->ipLists[1].cidrs[0].address, QHostAddress(QStringLiteral("2001:db8::")));
    ASSERT_EQ(sources->siteLists.size(), 1);
    const auto& domains = sources->siteLists[0].domains;
    ASSERT_EQ(domains.size(), 3);
    EXPECT_EQ(domains[0].kind, Geodata::DomainKind::domain);
    EXPECT_EQ(domains[1].kind, Geodata::DomainKind::full);
    EXPECT_EQ(domains[2].value, QStringLiteral("example.org"));
}

TEST(Geodata, MalformedLinesAreRejectedWithTheirNumber)
{
    for (const auto* text :
         {"ip CN 10.0.0.0\n", "ip CN banana/8\n", "host CN a.cn\n", "site CN\n", "site CN full:\n"}) {
        QString error;
        EXPECT_FALSE(Geodata::parseSources(QString::fromLatin1(text), &error)) << text;
        EXPECT_TRUE(error.startsWith(QLatin1String("line 1: "))) << error.toStdString();
    }
}

} // namespace
