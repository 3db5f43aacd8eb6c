#include "platform/text_table.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Every printf-style conversion of a text, in order, whatever its kind: a placeholder the
// formatter does not know shows up here too.
QStringList placeholdersOf(const QString& text)
{
    static const QRegularExpression conversion(QStringLiteral("%[^A-Za-z@%]*[A-Za-z@%]"));
    QStringList found;
    for (const auto& match : conversion.globalMatch(text))
        found << match.captured();
    return found;
}

} // namespace

TEST(TextTable, HoldsEveryRowInThreeLanguagesWithUniqueKeys)
{
    const auto& rows = i18n::entries();
    // The 231 texts of the interface, the support chat's notice that a message was not sent, 5
    // for the Linux application picker (one its refusal of an entry that runs through a shell,
    // an interpreter or a sandbox launcher), the DNS check and the kill switch's failure notes,
    // the notice that the kill switch's block holds, the notice that its rules still hold once it
    // was turned off, and the notice that a chosen kill switch is not in force with its 5 reasons.
    ASSERT_EQ(rows.size(), 245u);
    QSet<QString> keys;
    for (const auto& row : rows) {
        for (const auto language : allAppLanguages) {
            EXPECT_FALSE(row.text(language).trimmed().isEmpty())
                << qPrintable(row.zh) << " lacks " << qPrintable(rawValue(language));
        }
        EXPECT_FALSE(keys.contains(row.zh)) << "duplicate key " << qPrintable(row.zh);
        keys.insert(row.zh);
    }
}

TEST(TextTable, EveryRowIsFoundByItsKeyInEveryLanguage)
{
    for (const auto& row : i18n::entries()) {
        for (const auto language : allAppLanguages)
            EXPECT_EQ(i18n::tr(row.zh, language), row.text(language)) << qPrintable(row.zh);
    }
}

TEST(TextTable, EveryLanguageKeepsThePlaceholdersOfTheKey)
{
    const QSet<QString> supported{QStringLiteral("%@"), QStringLiteral("%d"), QStringLiteral("%.0f"),
                                  QStringLiteral("%%")};
    int rowsWithPlaceholders = 0;
    for (const auto& row : i18n::entries()) {
        const auto expected = placeholdersOf(row.zh);
        rowsWithPlaceholders += expected.isEmpty() ? 0 : 1;
        for (const auto& placeholder : expected)
            EXPECT_TRUE(supported.contains(placeholder)) << qPrintable(row.zh);
        EXPECT_EQ(placeholdersOf(row.en), expected) << qPrintable(row.zh);
        EXPECT_EQ(placeholdersOf(row.ja), expected) << qPrintable(row.zh);
    }
    // "%@" in two rows, "%d" in five, "%.0f%%" in one: a placeholder lost in all three
    // languages of a row would show here.
    EXPECT_EQ(rowsWithPlaceholders, 8);
}

TEST(TextTable, LooksUpKeysExactly)
{
    struct Case {
        QString key;
        AppLanguage language;
        QString expected;
    };
    const QString unknown = QStringLiteral("不存在的文本");
    const Case cases[] = {
        {QStringLiteral("导航"), AppLanguage::en, QStringLiteral("Navigation")},
        {QStringLiteral("导航"), AppLanguage::zh, QStringLiteral("导航")},
        {QStringLiteral("导航"), AppLanguage::ja, QStringLiteral("ナビゲーション")},
        // Keys carry full-width punctuation; the ASCII look-alike is another text.
        {QStringLiteral("还没有账号？去注册"), AppLanguage::en, QStringLiteral("Don't have an account? Register")},
        {QStringLiteral("还没有账号?去注册"), AppLanguage::en, QStringLiteral("还没有账号?去注册")},
        {QStringLiteral("未找到 \"%@\""), AppLanguage::ja, QStringLiteral("\"%@\" の結果はありません")},
        {QStringLiteral("已使用 %.0f%% 的流量"), AppLanguage::ja, QStringLiteral("データ使用量 %.0f%%")},
        // Same English for two rows, and one key that is a prefix of another.
        {QStringLiteral("搜索节点"), AppLanguage::en, QStringLiteral("Search nodes")},
        {QStringLiteral("搜索节点..."), AppLanguage::en, QStringLiteral("Search nodes...")},
        // No fallback to another language, and no trimming.
        {unknown, AppLanguage::en, unknown},
        {unknown, AppLanguage::ja, unknown},
        {QStringLiteral(" 导航"), AppLanguage::en, QStringLiteral(" 导航")},
        {QString(), AppLanguage::en, QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(i18n::tr(c.key, c.language), c.expected)
            << qPrintable(c.key) << " " << qPrintable(rawValue(c.language));
}

TEST(AppLanguage, ParsesExactlyTheThreeRawValues)
{
    for (const auto language : allAppLanguages)
        EXPECT_EQ(appLanguageFromRawValue(rawValue(language)), language);
    for (const auto* raw : {"", "ZH", "En", "fr", "zh ", "zh-Hans", "jp"})
        EXPECT_EQ(appLanguageFromRawValue(QString::fromLatin1(raw)), std::nullopt) << raw;
}
