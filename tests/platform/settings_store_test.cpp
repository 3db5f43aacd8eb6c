#include "support/temp_settings.h"

#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(SettingsStore, KeepsTypesAcrossProcesses)
{
    TempSettings settings;
    settings.store->setValue(QStringLiteral("flag"), true);
    settings.store->setValue(QStringLiteral("count"), 42);
    settings.store->setValue(QStringLiteral("ratio"), 2.5);
    settings.store->setValue(QStringLiteral("text"), QStringLiteral("true"));
    settings.store->setValue(QStringLiteral("ids"), QJsonArray{3, 1, 2});

    const auto later = settings.reopen();
    EXPECT_EQ(later->boolValue(QStringLiteral("flag")), true);
    EXPECT_EQ(later->intValue(QStringLiteral("count")), 42);
    EXPECT_EQ(later->doubleValue(QStringLiteral("ratio")), 2.5);
    // A text "true" stays a text: it is not a Boolean.
    EXPECT_EQ(later->boolValue(QStringLiteral("text")), std::nullopt);
    EXPECT_EQ(later->stringValue(QStringLiteral("text")), QStringLiteral("true"));
    EXPECT_EQ(later->value(QStringLiteral("ids")).toArray(), (QJsonArray{3, 1, 2}));
    // A Boolean is not a number, and a fraction is not an integer.
    EXPECT_EQ(later->intValue(QStringLiteral("flag")), std::nullopt);
    EXPECT_EQ(later->intValue(QStringLiteral("ratio")), std::nullopt);
}

TEST(SettingsStore, AbsentAndRemovedKeysGiveFallbacks)
{
    TempSettings settings;
    EXPECT_TRUE(settings.store->boolOr(QStringLiteral("showMenuBar"), true));
    settings.store->setValue(QStringLiteral("showMenuBar"), QStringLiteral("no"));
    EXPECT_TRUE(settings.store->boolOr(QStringLiteral("showMenuBar"), true));
    settings.store->setValue(QStringLiteral("showMenuBar"), false);
    EXPECT_FALSE(settings.store->boolOr(QStringLiteral("showMenuBar"), true));
    settings.store->remove(QStringLiteral("showMenuBar"));
    EXPECT_FALSE(settings.reopen()->contains(QStringLiteral("showMenuBar")));
}

TEST(SettingsStore, AnnouncesEveryChangeByKey)
{
    TempSettings settings;
    QSignalSpy spy(settings.store.get(), &SettingsStore::valueChanged);
    settings.store->setValue(QStringLiteral("a"), 1);
    settings.store->setValue(QStringLiteral("a"), 1);
    settings.store->remove(QStringLiteral("a"));
    settings.store->remove(QStringLiteral("a"));
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("a"));
}

TEST(SettingsStore, FileIsPrivateAndCorruptFileStartsEmpty)
{
    TempSettings settings;
    settings.store->setValue(QStringLiteral("a"), 1);
    const auto path = settings.store->filePath();
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{not json");
    file.close();
    const auto later = settings.reopen();
    EXPECT_FALSE(later->contains(QStringLiteral("a")));
    later->setValue(QStringLiteral("b"), true);
    EXPECT_EQ(settings.reopen()->boolValue(QStringLiteral("b")), true);
}
