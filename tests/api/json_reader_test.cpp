#include "api/records/json_reader.h"
#include "api/records/ordered_json_writer.h"
#include "support/table_row.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {
QJsonObject parse(const char* json) { return QJsonDocument::fromJson(QByteArray(json)).object(); }
} // namespace

TEST(JsonReader, IntegersAreIntegralNumbersInRange)
{
    struct Case {
        const char* json;
        std::optional<qint64> expected;
    };
    const Case cases[] = {
        {R"({"v": 42})", 42},
        {R"({"v": -7})", -7},
        {R"({"v": 12.0})", 12},
        {R"({"v": 9223372036854775807})", std::numeric_limits<qint64>::max()},
        {R"({"v": 9007199254740993})", 9007199254740993LL},
        {R"({"v": 12.5})", std::nullopt},
        {R"({"v": 1e300})", std::nullopt},
        {R"({"v": true})", std::nullopt},
        {R"({"v": "42"})", std::nullopt},
    };
    for (const auto& c : cases) {
        const JsonReader reader(parse(c.json), QStringLiteral("T"));
        if (c.expected) {
            EXPECT_EQ(reader.requiredInt(QStringLiteral("v")), *c.expected) << c.json;
        } else {
            EXPECT_THROW(reader.optionalInt(QStringLiteral("v")), DecodingError) << c.json;
        }
    }
}

TEST(JsonReader, MissingNullAndWrongTypes)
{
    const JsonReader reader(parse(R"({"n": null, "s": "x", "b": 1, "d": 3})"), QStringLiteral("T"));
    EXPECT_THROW(reader.requiredString(QStringLiteral("absent")), DecodingError);
    EXPECT_THROW(reader.requiredString(QStringLiteral("n")), DecodingError);
    EXPECT_EQ(reader.optionalString(QStringLiteral("n")), std::nullopt);
    EXPECT_EQ(reader.optionalString(QStringLiteral("absent")), std::nullopt);
    EXPECT_EQ(reader.optionalString(QStringLiteral("s")), QStringLiteral("x"));
    EXPECT_THROW(reader.optionalBool(QStringLiteral("b")), DecodingError);
    EXPECT_EQ(reader.optionalDouble(QStringLiteral("d")), 3.0);
    EXPECT_THROW(reader.optionalDouble(QStringLiteral("s")), DecodingError);
    // Keys match exactly, case included.
    EXPECT_EQ(reader.optionalString(QStringLiteral("S")), std::nullopt);
}

TEST(OrderedJsonWriter, KeepsInsertionOrderAndLeavesAbsentOut)
{
    const auto json = OrderedJsonWriter()
                          .add(QStringLiteral("z"), 1)
                          .add(QStringLiteral("a"), QStringLiteral("t\"x"))
                          .addOptional(QStringLiteral("m"), std::optional<qint64>())
                          .addOptional(QStringLiteral("k"), std::optional<bool>(false))
                          .addRaw(QStringLiteral("l"), OrderedJsonWriter::encodeList({"{}", "2"}))
                          .toJson();
    EXPECT_EQ(json, QByteArray(R"({"z":1,"a":"t\"x","k":false,"l":[{},2]})"));
}

TEST(JsonReader, ParseAcceptsObjectsAndArraysOnly)
{
    struct Case {
        const char* body;
        bool parses;
    };
    const Case cases[] = {
        {R"({"ok": true})", true},
        {R"([1, 2])", true},
        {"", false},
        {"<html><body>502 Bad Gateway</body></html>", false},
        {R"({"ok": true)", false},
        {"5", false},
        {R"("text")", false},
    };
    for (const auto& c : cases) {
        if (c.parses)
            EXPECT_NO_THROW(JsonReader::parse(c.body)) << c.body;
        else
            EXPECT_THROW(JsonReader::parse(c.body), DecodingError) << c.body;
    }
    EXPECT_TRUE(JsonReader::parse("[]").isArray());
    EXPECT_EQ(JsonReader::parse(R"({"a": 1})").toObject().value(QStringLiteral("a")).toInt(), 1);
}

TEST(JsonReader, IntegerMapsFailAsAWhole)
{
    const JsonReader reader(parse(R"({"m": {"443": 12, "8443": 0}, "bad": {"443": 1, "80": 1.5},
                                      "text": {"443": "1"}, "list": [1], "n": null})"),
                            QStringLiteral("T"));
    const auto map = reader.optionalIntMap(QStringLiteral("m"));
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(*map, (QMap<QString, qint64>{{QStringLiteral("443"), 12}, {QStringLiteral("8443"), 0}}));
    EXPECT_THROW(reader.optionalIntMap(QStringLiteral("bad")), DecodingError);
    EXPECT_THROW(reader.optionalIntMap(QStringLiteral("text")), DecodingError);
    EXPECT_THROW(reader.optionalIntMap(QStringLiteral("list")), DecodingError);
    EXPECT_EQ(reader.optionalIntMap(QStringLiteral("n")), std::nullopt);
    EXPECT_EQ(reader.optionalIntMap(QStringLiteral("absent")), std::nullopt);
}

TEST(JsonReader, AnswersNestedPastTheLimitAreRefusedBeforeParsing)
{
    const auto nested = [](int depth, const QByteArray& inner = {}) -> QByteArray {
        return QByteArray(depth, '[') + inner + QByteArray(depth, ']');
    };
    struct Case {
        QByteArray body;
        bool tooDeep;
    };
    const Case cases[] = {
        {nested(JsonReader::maxNesting), false},
        {nested(JsonReader::maxNesting + 1), true},
        {nested(100000), true},
        // Brackets inside texts, escaped quotes included, do not count.
        {"[\"" + QByteArray(500, '[') + "\\\"" + QByteArray(500, '{') + "\"]", false},
        {"{\"a\": " + nested(JsonReader::maxNesting - 1) + "}", false},
        {"{\"a\": " + nested(JsonReader::maxNesting) + "}", true},
        // Unbalanced closers are the parser's to refuse, not a depth.
        {QByteArray(1000, ']') + nested(JsonReader::maxNesting), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(JsonReader::nestedTooDeeply(c.body), c.tooDeep) << c.body.left(80).toStdString();
        if (c.tooDeep) {
            EXPECT_THROW(JsonReader::parse(c.body), DecodingError);
        }
    }
}
