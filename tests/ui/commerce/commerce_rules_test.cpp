// The purchase flow's pure rules as tables: sections, row texts, the coupon badge, what order and
// status answers mean, money texts and strict Base64.
#include "support/table_row.h"
#include "ui/commerce/payment_rules.h"
#include "ui/commerce/plan_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Plan plan(const QString& name, double price = 10, std::optional<QString> period = std::nullopt, double traffic = 100)
{
    Plan p;
    p.name = name;
    p.price = price;
    p.period = period;
    p.traffic = traffic;
    p.nodes = 8;
    p.devices = 3;
    return p;
}

QStringList titles(const QList<PlanRules::PlanGroup>& groups)
{
    QStringList out;
    for (const auto& group : groups)
        out.append(group.group + QLatin1Char('/') + QString::number(group.plans.size()));
    return out;
}

constexpr double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(PlanRulesTest, GroupsByEditionThenByFirstAppearance)
{
    struct Case {
        QStringList names;
        QStringList groups; // title/count in display order
    };
    const Case cases[] = {
        {{u"标准版(月付)"_qs, u"专业版(年付)"_qs, u"标准版(年付)"_qs, u"Special"_qs, u"体验版"_qs},
         {u"标准版/2"_qs, u"专业版/1"_qs, u"体验版/1"_qs, u"Special/1"_qs}},
        {{u"B"_qs, u"A"_qs}, {u"B/1"_qs, u"A/1"_qs}},
        {{u"商业版"_qs, u"商业版 (年付)"_qs}, {u"商业版/1"_qs, u"商业版 (年付)/1"_qs}},
        {{u"标准版（月付）"_qs, u"测试版(x)"_qs}, {u"测试版/1"_qs, u"标准版（月付）/1"_qs}},
        {{u"Z"_qs, u"体验版(1)"_qs, u"专业版(2)"_qs, u"标准版"_qs},
         {u"标准版/1"_qs, u"专业版/1"_qs, u"体验版/1"_qs, u"Z/1"_qs}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        QList<Plan> plans;
        for (const auto& name : c.names)
            plans.append(plan(name));
        EXPECT_EQ(titles(PlanRules::groupPlans(plans)), c.groups) << c.names.join(u',').toStdString();
    }
    // Within a section the price list's order stays.
    const auto groups = PlanRules::groupPlans({plan(u"标准版(年付)"_qs), plan(u"X"_qs), plan(u"标准版(月付)"_qs)});
    EXPECT_EQ(groups[0].plans[0].name, u"标准版(年付)"_qs);
    EXPECT_EQ(groups[0].plans[1].name, u"标准版(月付)"_qs);
}

TEST(PlanRulesTest, RowTexts)
{
    struct Case {
        Plan plan;
        QString title;
        QString price;
        QString hint;
        bool highlighted;
    };
    const Case cases[] = {
        {plan(u"A"_qs, 29.9, u"month"_qs), u"月付"_qs, u"¥29.90"_qs, u"≈¥29.9/月"_qs, true},
        {plan(u"A"_qs, 90, u"quarter"_qs), u"季付"_qs, u"¥90"_qs, u"≈¥30.0/月"_qs, false},
        {plan(u"A"_qs, 120, u"semiannual"_qs), u"半年付"_qs, u"¥120"_qs, u"≈¥20.0/月"_qs, false},
        {plan(u"A"_qs, 238, u"year"_qs), u"年付"_qs, u"¥238"_qs, u"≈¥19.8/月"_qs, false},
        {plan(u"名"_qs, 100), u"名"_qs, u"¥100"_qs, u"≈¥100.0/月"_qs, false},
        {plan(u"周"_qs, 7, u"weekly"_qs), u"周"_qs, u"¥7"_qs, u"≈¥7.0/月"_qs, false},
        {plan(u"M"_qs, 10, u"Month"_qs), u"M"_qs, u"¥10"_qs, u"≈¥10.0/月"_qs, false},
        {plan(u"F"_qs, 0, u"month"_qs), u"月付"_qs, u"¥0"_qs, QString(), false},
        {plan(u"N"_qs, -5, u"month"_qs), u"月付"_qs, u"¥-5"_qs, QString(), false},
        {plan(u"I"_qs, inf, u"month"_qs), u"月付"_qs, u"¥—"_qs, QString(), true},
        {plan(u"Q"_qs, notANumber, u"year"_qs), u"年付"_qs, u"¥—"_qs, QString(), false},
        {plan(u"B"_qs, 1e300, u"month"_qs), u"月付"_qs, u"¥—"_qs, QString(), true},
        {plan(u"C"_qs, 0.5, u"month"_qs), u"月付"_qs, u"¥0.50"_qs, u"≈¥0.5/月"_qs, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlanRules::periodLabel(c.plan), c.title) << c.plan.price;
        EXPECT_EQ(PlanRules::priceText(c.plan.price), c.price) << c.plan.price;
        EXPECT_EQ(PlanRules::perMonthHint(c.plan), c.hint) << c.plan.price;
        EXPECT_EQ(PlanRules::isHighlighted(c.plan), c.highlighted) << c.plan.price;
    }
}

TEST(PlanRulesTest, LimitsLineTruncatesAndNeverCrashes)
{
    struct Case {
        double traffic;
        QString line;
    };
    const Case cases[] = {
        {100, u"100GB · 8节点 · 3设备"_qs},
        {99.99, u"99GB · 8节点 · 3设备"_qs},
        {-0.5, u"0GB · 8节点 · 3设备"_qs},
        {inf, u"—GB · 8节点 · 3设备"_qs},
        {notANumber, u"—GB · 8节点 · 3设备"_qs},
        {1e19, u"—GB · 8节点 · 3设备"_qs},
        {9.2e18, u"9200000000000000000GB · 8节点 · 3设备"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanRules::limitsLine(plan(u"x"_qs, 1, std::nullopt, c.traffic)), c.line) << c.traffic;
}

TEST(PaymentRulesTest, CouponBadge)
{
    struct Case {
        std::optional<qint64> pct;
        std::optional<QString> label;
        QString badge;
    };
    const Case cases[] = {
        {15, std::nullopt, u"15%OFF"_qs},
        {std::nullopt, std::nullopt, u"0%OFF"_qs},
        {30, u"7折"_qs, u"7折"_qs},
        {30, QString(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(PaymentRules::couponBadge(CouponInfo{u"C"_qs, c.pct, c.label, std::nullopt}), c.badge);
    }
}

TEST(PaymentRulesTest, OrderAndStatusClassification)
{
    using Outcome = PaymentRules::OrderOutcome;
    struct OrderCase {
        bool ok;
        std::optional<QString> status;
        Outcome outcome;
    };
    const OrderCase orders[] = {
        {true, u"activated"_qs, Outcome::activated}, {true, u"Activated"_qs, Outcome::payable},
        {true, u"pending"_qs, Outcome::payable},     {true, std::nullopt, Outcome::payable},
        {false, u"activated"_qs, Outcome::refused},  {false, std::nullopt, Outcome::refused},
    };
    for (const auto& c : orders) {
        OrderCreateResult result;
        result.ok = c.ok;
        result.status = c.status;
        EXPECT_EQ(PaymentRules::classifyOrder(result), c.outcome) << c.status.value_or(u"-"_qs).toStdString();
    }

    using Verdict = PaymentRules::StatusVerdict;
    const std::pair<std::optional<QString>, Verdict> statuses[] = {
        {u"paid"_qs, Verdict::paid},    {u"completed"_qs, Verdict::paid}, {u"closed"_qs, Verdict::closed},
        {u"Paid"_qs, Verdict::pending}, {u"CLOSED"_qs, Verdict::pending}, {u"pending"_qs, Verdict::pending},
        {QString(), Verdict::pending},  {std::nullopt, Verdict::pending},
    };
    for (const auto& [status, verdict] : statuses)
        EXPECT_EQ(PaymentRules::classifyStatus(status), verdict) << status.value_or(u"-"_qs).toStdString();
}

TEST(PaymentRulesTest, MoneyTexts)
{
    EXPECT_EQ(PaymentRules::money(80), u"¥80.00"_qs);
    EXPECT_EQ(PaymentRules::money(0.125), u"¥0.12"_qs); // printf's rounding of the binary value
    EXPECT_EQ(PaymentRules::money(inf), u"¥—"_qs);
    EXPECT_EQ(PaymentRules::money(notANumber), u"¥—"_qs);
    EXPECT_EQ(PaymentRules::listPrice(100), u"原价 ¥100"_qs);
    EXPECT_EQ(PaymentRules::listPrice(99.5), u"原价 ¥100"_qs);
    EXPECT_EQ(PaymentRules::listPrice(-inf), u"原价 ¥—"_qs);
    EXPECT_EQ(PaymentRules::twoDecimals(3.47), u"3.47"_qs);

    struct Case {
        std::optional<double> amount;
        std::optional<double> original;
        bool shown;
    };
    const Case cases[] = {
        {80, 100, true},  {80, 80, false},         {std::nullopt, 5, true}, {std::nullopt, std::nullopt, false},
        {100, 80, false}, {80, notANumber, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        OrderCreateResult order;
        order.ok = true;
        order.amount = c.amount;
        order.original_amount = c.original;
        EXPECT_EQ(PaymentRules::showsListPrice(order), c.shown);
    }
}

TEST(PaymentRulesTest, StrictBase64)
{
    struct Case {
        QString text;
        std::optional<QByteArray> bytes;
    };
    const Case cases[] = {
        {u"aGVsbG8="_qs, QByteArray("hello")},
        {u"aGVsbG8h"_qs, QByteArray("hello!")},
        {u"aGVsbA=="_qs, QByteArray("hell")},
        {u"+/+/"_qs, QByteArray::fromBase64("+/+/")},
        {QString(), std::nullopt},
        {u"aGVsbG8"_qs, std::nullopt}, // padding missing
        {u"aGVs\nbG8="_qs, std::nullopt}, // line break inside
        {u"aGVsbG8=\n"_qs, std::nullopt},
        {u" aGVsbG8="_qs, std::nullopt},
        {u"aGVsbG8_"_qs, std::nullopt}, // URL alphabet
        {u"aGV=bG8="_qs, std::nullopt}, // padding inside
        {u"a==="_qs, std::nullopt},
        {u"aGVsbG8é"_qs, std::nullopt},
        {u"aGVsbG9="_qs, std::nullopt}, // pad bits that are not zero: "hello" once more
        {u"aGVsbB=="_qs, std::nullopt}, // likewise, "hell"
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaymentRules::strictBase64(c.text), c.bytes) << c.text.toStdString();
}
