#include "platform/language_manager.h"
#include "platform/settings_keys.h"
#include "platform/text_table.h"
#include "support/table_row.h"
#include "support/temp_settings.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// What the interface language was at each announcement, with the language announced.
struct LanguagePosts {
    explicit LanguagePosts(const LanguageManager& manager)
    {
        connection = QObject::connect(&manager, &LanguageManager::currentLanguageChanged,
                                      [this, &manager](AppLanguage announced) {
                                          EXPECT_EQ(announced, manager.currentLanguage());
                                          seen.push_back(announced);
                                      });
    }
    ~LanguagePosts() { QObject::disconnect(connection); }

    std::vector<AppLanguage> seen;
    QMetaObject::Connection connection;
};

} // namespace

TEST(LanguageManager, StartsFromTheStoredChoice)
{
    struct Case {
        QJsonValue stored; // undefined: the setting is missing
        AppLanguage expected;
    };
    const Case cases[] = {
        {QJsonValue(QJsonValue::Undefined), AppLanguage::zh},
        {QStringLiteral("ja"), AppLanguage::ja},
        {QStringLiteral("en"), AppLanguage::en},
        {QStringLiteral("fr"), AppLanguage::zh},
        {QStringLiteral("EN"), AppLanguage::zh},
        {1, AppLanguage::zh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        TempSettings settings;
        if (!c.stored.isUndefined())
            settings.store->setValue(SettingsKeys::appLanguage, c.stored);
        LanguageManager manager(*settings.store);
        QSignalSpy posts(&manager, &LanguageManager::currentLanguageChanged);
        EXPECT_EQ(manager.currentLanguage(), c.expected) << qPrintable(c.stored.toVariant().toString());
        EXPECT_EQ(posts.count(), 0);
        // Reading the choice leaves an unknown stored value alone.
        EXPECT_EQ(settings.reopen()->value(SettingsKeys::appLanguage), c.stored);
    }
}

TEST(LanguageManager, SetLanguagePostsOnceOrTwice)
{
    struct Case {
        QJsonValue stored;
        AppLanguage chosen;
        std::vector<AppLanguage> posts;
    };
    const Case cases[] = {
        {QJsonValue(QJsonValue::Undefined), AppLanguage::zh, {AppLanguage::zh}},
        {QJsonValue(QJsonValue::Undefined), AppLanguage::en, {AppLanguage::en, AppLanguage::en}},
        {QStringLiteral("ja"), AppLanguage::ja, {AppLanguage::ja}},
        {QStringLiteral("ja"), AppLanguage::zh, {AppLanguage::zh, AppLanguage::zh}},
        // An unknown stored text counts as Chinese: choosing Chinese is no change.
        {QStringLiteral("fr"), AppLanguage::zh, {AppLanguage::zh}},
        {QStringLiteral("fr"), AppLanguage::ja, {AppLanguage::ja, AppLanguage::ja}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        TempSettings settings;
        if (!c.stored.isUndefined())
            settings.store->setValue(SettingsKeys::appLanguage, c.stored);
        LanguageManager manager(*settings.store);
        LanguagePosts posts(manager);

        manager.setLanguage(c.chosen);

        EXPECT_EQ(posts.seen, c.posts) << qPrintable(rawValue(c.chosen));
        EXPECT_EQ(manager.currentLanguage(), c.chosen);
        EXPECT_EQ(manager.storedLanguage(), rawValue(c.chosen));
        // The choice survives a restart.
        EXPECT_EQ(LanguageManager(*settings.reopen()).currentLanguage(), c.chosen);
    }
}

TEST(LanguageManager, AssigningTheStoredTextSwitchesOnlyToAnotherLanguage)
{
    TempSettings settings;
    LanguageManager manager(*settings.store);
    LanguagePosts posts(manager);

    manager.setStoredLanguage(QStringLiteral("de"));
    manager.setStoredLanguage(QStringLiteral("zh"));
    EXPECT_TRUE(posts.seen.empty());
    manager.setStoredLanguage(QStringLiteral("en"));
    EXPECT_EQ(posts.seen, std::vector<AppLanguage>{AppLanguage::en});
    EXPECT_EQ(settings.reopen()->stringValue(SettingsKeys::appLanguage), QStringLiteral("en"));
}

TEST(LanguageManager, LookupWithoutLanguageFollowsTheInstalledManager)
{
    TempSettings settings;
    LanguageManager manager(*settings.store);
    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("导航")) << "Chinese while none is installed";
    i18n::installLanguageSource(&manager);
    manager.setLanguage(AppLanguage::zh);
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("导航"));
    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("Navigation"));
    manager.setLanguage(AppLanguage::ja);
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("ナビゲーション"));
    EXPECT_EQ(i18n::tr(QStringLiteral("导航"), AppLanguage::en), QStringLiteral("Navigation"));
    EXPECT_EQ(settings.store->stringValue(SettingsKeys::appLanguage), QStringLiteral("ja"));
    i18n::installLanguageSource(nullptr);
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("导航"));
}
