#include "api/records/node.h"
#include "record_cases.h"

#include <QSet>

#include <unordered_set>

TEST(NodeRecord, Decoding)
{
    runDecodeCases({
        {R"({"id": 1, "name": "Tokyo", "port": 443})", true, as<Node>([](const Node& n) {
             EXPECT_EQ(n.id, 1);
             EXPECT_EQ(n.name, QStringLiteral("Tokyo"));
             EXPECT_EQ(n.port, 443);
             EXPECT_EQ(n.server, QString());
             EXPECT_EQ(n.method, QString());
             EXPECT_EQ(n.password, QString());
             EXPECT_EQ(n.status, QStringLiteral("offline"));
             EXPECT_EQ(n.delay, std::nullopt);
             EXPECT_EQ(n.location, std::nullopt);
             EXPECT_EQ(n.bandwidth, std::nullopt);
             EXPECT_EQ(n.sort_order, std::nullopt);
         })},
        {R"({"id": 2, "name": "N", "port": 443, "host": null, "status": null, "delay": null})", true,
         as<Node>([](const Node& n) {
             EXPECT_EQ(n.server, QString());
             EXPECT_EQ(n.status, QStringLiteral("offline"));
             EXPECT_EQ(n.delay, std::nullopt);
         })},
        {R"({"id": 3, "name": "HK 1", "host": "10.0.0.3", "port": 8443, "method": "reality",
             "password": "uuid-1", "status": "online", "delay": 42, "location": "香港",
             "bandwidth": "1Gbps", "sort_order": -1})",
         true, as<Node>([](const Node& n) {
             EXPECT_EQ(n.server, QStringLiteral("10.0.0.3"));
             EXPECT_EQ(n.port, 8443);
             EXPECT_EQ(n.method, QStringLiteral("reality"));
             EXPECT_EQ(n.password, QStringLiteral("uuid-1"));
             EXPECT_TRUE(n.isOnline());
             EXPECT_EQ(n.delay, 42);
             EXPECT_EQ(n.location, QStringLiteral("香港"));
             EXPECT_EQ(n.bandwidth, QStringLiteral("1Gbps"));
             EXPECT_EQ(n.sort_order, -1);
         })},
        // The field's own name and other spellings of the key are not the key.
        {R"({"id": 4, "name": "N", "port": 1, "server": "10.0.0.4", "Host": "10.0.0.5", "sortOrder": 3})", true,
         as<Node>([](const Node& n) {
             EXPECT_EQ(n.server, QString());
             EXPECT_EQ(n.sort_order, std::nullopt);
         })},
        {R"({"id": 5, "name": "N", "port": 443.0})", true, as<Node>([](const Node& n) { EXPECT_EQ(n.port, 443); })},
        {R"({"id": 6, "name": "N"})", false, as<Node>()},
        {R"({"id": "6", "name": "N", "port": 443})", false, as<Node>()},
        {R"({"id": 6, "name": null, "port": 443})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": "443"})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": true})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": 443, "delay": 12.5})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": 443, "status": 1})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": 443, "sort_order": "1"})", false, as<Node>()},
        {R"({"id": 6, "name": "N", "port": 443, "location": ["JP"]})", false, as<Node>()},
    });
}

TEST(NodeRecord, RegionEmojiMatchesWholeLowerCasedLocation)
{
    const auto globe = QStringLiteral("🌐");
    struct Case {
        std::optional<QString> location;
        QString flag;
    };
    const Case cases[] = {
        {QStringLiteral("Japan"), QStringLiteral("🇯🇵")},
        {QStringLiteral("JP"), globe},
        {QStringLiteral("日本A"), QStringLiteral("🇯🇵")},
        {QStringLiteral("日本b"), QStringLiteral("🇯🇵")},
        {QStringLiteral("日本C"), globe},
        {QStringLiteral("HongKong"), QStringLiteral("🇭🇰")},
        {QStringLiteral("Hong Kong"), globe},
        {QStringLiteral(" hk"), globe},
        {QStringLiteral("香港"), QStringLiteral("🇭🇰")},
        {QStringLiteral("United States"), QStringLiteral("🇺🇸")},
        {QStringLiteral("USA"), QStringLiteral("🇺🇸")},
        {QStringLiteral("United Kingdom"), QStringLiteral("🇬🇧")},
        {QStringLiteral("UK"), QStringLiteral("🇬🇧")},
        {QStringLiteral("GB"), globe},
        {QStringLiteral("澳大利亚"), QStringLiteral("🇦🇺")},
        {QStringLiteral("In"), QStringLiteral("🇮🇳")},
        {QStringLiteral("CA"), QStringLiteral("🇨🇦")},
        {QStringLiteral("日本 "), globe},
        {QStringLiteral("Japan-1"), globe},
        {QString(), globe},
        {std::nullopt, globe},
    };
    for (const auto& c : cases) {
        const Node node{.id = 1, .name = QStringLiteral("n"), .port = 443, .location = c.location};
        EXPECT_EQ(node.regionEmoji(), c.flag) << c.location.value_or(QStringLiteral("<absent>")).toStdString();
    }
}

TEST(NodeRecord, EqualAndHashedByIdAlone)
{
    const Node a{.id = 7, .name = QStringLiteral("A"), .server = QStringLiteral("10.0.0.1"), .port = 443};
    const Node renamed{
        .id = 7, .name = QStringLiteral("B"), .port = 8443, .status = QStringLiteral("online"), .delay = 20};
    const Node other{.id = 8, .name = QStringLiteral("A"), .server = QStringLiteral("10.0.0.1"), .port = 443};

    EXPECT_EQ(a, renamed);
    EXPECT_NE(a, other);
    EXPECT_EQ(qHash(a, 5), qHash(renamed, 5));
    EXPECT_EQ(std::hash<Node>()(a), std::hash<Node>()(renamed));

    const QSet<Node> set{a, renamed, other};
    EXPECT_EQ(set.size(), 2);
    const std::unordered_set<Node> stdSet{a, renamed, other};
    EXPECT_EQ(stdSet.size(), 2u);
}

TEST(NodeRecord, EncodingKeepsWireOrder)
{
    runEncodeCases({
        {Node{.id = 7,
              .name = QStringLiteral("N"),
              .port = 443,
              .method = QStringLiteral("trojan"),
              .password = QStringLiteral("p"),
              .status = QStringLiteral("online"),
              .bandwidth = QStringLiteral("1G"),
              .sort_order = 3}
             .toJson(),
         R"({"id":7,"name":"N","host":"","port":443,"method":"trojan","password":"p","status":"online",)"
         R"("bandwidth":"1G","sort_order":3})"},
        {Node{.id = 1,
              .name = QStringLiteral("JP"),
              .server = QStringLiteral("10.0.0.1"),
              .port = 8443,
              .method = QStringLiteral("reality"),
              .password = QStringLiteral("u"),
              .delay = 35,
              .location = QStringLiteral("日本"),
              .bandwidth = QStringLiteral("1G"),
              .sort_order = 0}
             .toJson(),
         R"({"id":1,"name":"JP","host":"10.0.0.1","port":8443,"method":"reality","password":"u",)"
         R"("status":"offline","delay":35,"location":"日本","bandwidth":"1G","sort_order":0})"},
    });
}
