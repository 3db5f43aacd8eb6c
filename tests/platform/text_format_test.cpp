#include "platform/text_format.h"
#include "platform/text_table.h"

#include <clocale>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

TEST(TextFormat, FillsPlaceholdersInOrderWithPrintfMeaning)
{
    using i18n::FormatArg;
    struct Case {
        QString text;
        std::vector<FormatArg> args;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("%d nodes"), {12}, QStringLiteral("12 nodes")},
        {QStringLiteral("%d nodes"), {qint64(5000000000)}, QStringLiteral("5000000000 nodes")},
        {QStringLiteral("%d nodes"), {-3}, QStringLiteral("-3 nodes")},
        {QStringLiteral("Version %@"), {QStringLiteral("2.1.0")}, QStringLiteral("Version 2.1.0")},
        {QStringLiteral("No results for \"%@\""),
         {QStringLiteral("香港 %d")},
         QStringLiteral("No results for \"香港 %d\"")},
        {QStringLiteral("%@: %d of %.1f"), {QStringLiteral("a"), 2, 2.25}, QStringLiteral("a: 2 of 2.2")},
        {QStringLiteral("%.0f%% of data used"), {42.5}, QStringLiteral("42% of data used")},
        {QStringLiteral("%.0f%% of data used"), {99.5}, QStringLiteral("100% of data used")},
        {QStringLiteral("%.0f%% of data used"), {7}, QStringLiteral("7% of data used")},
        {QStringLiteral("%f"), {1.5}, QStringLiteral("1.500000")},
        // Without a value, or of a kind the formatter does not know, a placeholder stays as
        // written and takes no value.
        {QStringLiteral("%d nodes"), {}, QStringLiteral("%d nodes")},
        {QStringLiteral("%s %d"), {3}, QStringLiteral("%s 3")},
        {QStringLiteral("%.2d"), {3}, QStringLiteral("%.2d")},
        {QStringLiteral("100%"), {}, QStringLiteral("100%")},
        {QStringLiteral("%%d"), {3}, QStringLiteral("%d")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(i18n::formatArgs(c.text, c.args), c.expected) << qPrintable(c.text);
}

TEST(TextFormat, PercentRowRoundsLikePrintfInEveryLanguage)
{
    const auto key = QStringLiteral("已使用 %.0f%% 的流量");
    const double fractions[] = {0.0, 0.5, 1.5, 2.5, 12.4999, 33.333, 66.5, 99.4, 99.5, 100.0, 250.0};
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "C");
    for (const auto language : allAppLanguages) {
        const auto text = i18n::tr(key, language);
        for (const double value : fractions) {
            char expected[256];
            std::snprintf(expected, sizeof expected, text.toUtf8().constData(), value);
            EXPECT_EQ(i18n::format(text, value), QString::fromUtf8(expected)) << value;
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(i18n::format(i18n::tr(key, AppLanguage::en), 42.5), QStringLiteral("42% of data used"));
    EXPECT_EQ(i18n::format(i18n::tr(key, AppLanguage::ja), 87.6), QStringLiteral("データ使用量 88%"));
}
