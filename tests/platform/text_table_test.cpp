#include "platform/count_text.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "support/scoped_language.h"

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
    // was turned off, and the notice that a chosen kill switch is not in force with its 5 reasons,
    // 7 for a listed application that is not let out (the picker's refusal of a script, the
    // settings list's line and its 5 reasons), and the count of one of each of the 5 counts.
    ASSERT_EQ(rows.size(), 257u);
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

TEST(TextTable, EveryCountHasARowForOne)
{
    // English says "1 node" but "2 nodes": the key of the count with "1" in place of "%d" holds
    // the text for one, and no language says it as the other counts' text with 1 filled in,
    // unless that is the same words.
    int counts = 0;
    for (const auto& row : i18n::entries()) {
        if (!row.zh.contains(QLatin1String("%d")))
            continue;
        ++counts;
        const auto one = QString(row.zh).replace(QLatin1String("%d"), QLatin1String("1"));
        SCOPED_TRACE(one.toStdString());
        for (const auto language : allAppLanguages) {
            const auto said = i18n::tr(one, language);
            EXPECT_TRUE(said.contains(QLatin1Char('1'))) << qPrintable(said);
            if (language != AppLanguage::zh) {
                EXPECT_NE(said, one) << "no row for one in " << qPrintable(rawValue(language));
            }
        }
        EXPECT_NE(i18n::tr(one, AppLanguage::en), i18n::format(row.en, 1)) << "English says one in the singular";
    }
    EXPECT_EQ(counts, 5);
}

TEST(TextTable, ACountOfOneIsSaidInTheSingular)
{
    struct Case {
        const char* key;
        qint64 count;
        AppLanguage language;
        const char* expected;
    };
    const Case cases[] = {
        {"%d 个节点", 0, AppLanguage::en, "0 nodes"},
        {"%d 个节点", 1, AppLanguage::en, "1 node"},
        {"%d 个节点", 2, AppLanguage::en, "2 nodes"},
        {"%d 个节点", 1, AppLanguage::zh, "1 个节点"},
        {"%d 个节点", 2, AppLanguage::zh, "2 个节点"},
        {"%d 个节点", 1, AppLanguage::ja, "1 ノード"},
        {"%d 个节点", 2, AppLanguage::ja, "2 ノード"},
        {"共 %d 个节点", 1, AppLanguage::en, "1 node"},
        {"共 %d 个节点", 1, AppLanguage::zh, "共 1 个节点"},
        {"共 %d 个节点", 11, AppLanguage::en, "11 nodes"},
        {"%d 个入站", 1, AppLanguage::en, "1 inbound"},
        {"%d 个客户端", 1, AppLanguage::en, "1 client"},
    };
    for (const auto& c : cases) {
        ScopedLanguage scoped(c.language);
        EXPECT_EQ(i18n::countText(QString::fromUtf8(c.key), c.count), QString::fromUtf8(c.expected))
            << c.key << " " << c.count << " " << qPrintable(rawValue(c.language));
    }
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
