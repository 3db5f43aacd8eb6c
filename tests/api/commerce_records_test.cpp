#include "api/records/commerce_records.h"
#include "record_cases.h"

TEST(CommerceRecords, Decoding)
{
    runDecodeCases({
        {R"({"code": "SAVE15"})", true, as<CouponInfo>([](const CouponInfo& c) {
             EXPECT_EQ(c.code, QStringLiteral("SAVE15"));
             EXPECT_EQ(c.discount_pct, std::nullopt);
             EXPECT_EQ(c.discount_label, std::nullopt);
             EXPECT_EQ(c.left, std::nullopt);
         })},
        {R"({"code": "SAVE15", "discount_pct": 15, "discount_label": "85折", "left": 3})", true,
         as<CouponInfo>([](const CouponInfo& c) {
             EXPECT_EQ(c.discount_pct, 15);
             EXPECT_EQ(c.discount_label, QStringLiteral("85折"));
             EXPECT_EQ(c.left, 3);
         })},
        {R"({"code": "S", "discountPct": 15, "discount_label": null})", true, as<CouponInfo>([](const CouponInfo& c) {
             EXPECT_EQ(c.discount_pct, std::nullopt);
             EXPECT_EQ(c.discount_label, std::nullopt);
         })},
        {R"({"discount_pct": 15})", false, as<CouponInfo>()},
        {R"({"code": null})", false, as<CouponInfo>()},
        {R"({"code": 15})", false, as<CouponInfo>()},
        {R"({"code": "S", "discount_pct": 15.5})", false, as<CouponInfo>()},
        {R"({"code": "S", "discount_pct": "15"})", false, as<CouponInfo>()},
        {R"({"code": "S", "left": true})", false, as<CouponInfo>()},

        {R"({})", true, as<ConvertResponse>([](const ConvertResponse& r) {
             EXPECT_EQ(r.config, std::nullopt);
             EXPECT_EQ(r.count, std::nullopt);
             EXPECT_EQ(r.format, std::nullopt);
             EXPECT_EQ(r.source, std::nullopt);
             EXPECT_EQ(r.error, std::nullopt);
         })},
        {R"({"config": "proxies: []", "count": 12, "format": "clash", "source": "https://127.0.0.1/s",
             "error": null})",
         true, as<ConvertResponse>([](const ConvertResponse& r) {
             EXPECT_EQ(r.config, QStringLiteral("proxies: []"));
             EXPECT_EQ(r.count, 12);
             EXPECT_EQ(r.format, QStringLiteral("clash"));
             EXPECT_EQ(r.source, QStringLiteral("https://127.0.0.1/s"));
             EXPECT_EQ(r.error, std::nullopt);
         })},
        {R"({"error": "bad link"})", true,
         as<ConvertResponse>([](const ConvertResponse& r) { EXPECT_EQ(r.error, QStringLiteral("bad link")); })},
        {R"({"count": 3.5})", false, as<ConvertResponse>()},
        {R"({"count": "3"})", false, as<ConvertResponse>()},
        {R"({"config": {"proxies": []}})", false, as<ConvertResponse>()},
        {R"([])", false, as<ConvertResponse>()},
    });
}

TEST(CommerceRecords, EncodingKeepsWireOrder)
{
    runEncodeCases({
        {CouponInfo{.code = QStringLiteral("S"), .discount_pct = 15, .left = 0}.toJson(),
         R"({"code":"S","discount_pct":15,"left":0})"},
        {CouponInfo{.code = QStringLiteral("S"), .discount_pct = 15, .discount_label = QStringLiteral("L"), .left = 2}
             .toJson(),
         R"({"code":"S","discount_pct":15,"discount_label":"L","left":2})"},
        {ConvertResponse{}.toJson(), R"({})"},
        {ConvertResponse{.config = QStringLiteral("c"),
                         .count = 2,
                         .format = QStringLiteral("v2ray"),
                         .source = QStringLiteral("s"),
                         .error = QStringLiteral("e")}
             .toJson(),
         R"({"config":"c","count":2,"format":"v2ray","source":"s","error":"e"})"},
    });
}
