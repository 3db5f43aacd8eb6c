#include "support/captured_log.h"
#include "support/table_row.h"
#include "support/temp_settings.h"

#include <QDir>
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

TEST(SettingsStore, UnreadableFileGivesDefaultsAndIsKeptAsideOnce)
{
    const QByteArray valid = R"({"killSwitchEnabled": true, "activeDomainIndex": 2})";
    const QByteArray cases[] = {
        valid.left(valid.size() / 2), // truncated
        "\xff\xfe binary \x00 garbage",
        "[true, 2]", // JSON of another type
        "\"settings\"",
        "",
        QByteArray(2000, '[') + QByteArray(2000, ']'), // nested past the parser's limit
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(tableRow(cases, bad));
        TempSettings settings;
        const auto path = settings.store->filePath();
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bad);
        }
        CapturedLog capture;
        const auto store = settings.reopen();
        EXPECT_EQ(store->boolOr(QStringLiteral("killSwitchEnabled"), false), false) << bad.left(40).toStdString();
        EXPECT_EQ(store->intOr(QStringLiteral("activeDomainIndex"), 0), 0);

        const auto kept = QDir(settings.dir.path()).entryList({QStringLiteral("settings.json.bad-*")}, QDir::Files);
        ASSERT_EQ(kept.size(), 1) << bad.left(40).toStdString();
        QFile copy(settings.dir.filePath(kept.first()));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), bad);
        ASSERT_EQ(capture.lines().size(), 1);
        EXPECT_TRUE(capture.lines().first().contains(kept.first())) << capture.lines().first().toStdString();

        // Said once: the next start and the next save find no bad file; the copy stays.
        store->setValue(QStringLiteral("autoConnect"), true);
        EXPECT_EQ(settings.reopen()->boolValue(QStringLiteral("autoConnect")), true);
        EXPECT_EQ(capture.lines().size(), 1);
        EXPECT_EQ(QDir(settings.dir.path()).entryList({QStringLiteral("settings.json.bad-*")}, QDir::Files), kept);
    }
}

TEST(SettingsStore, ValuesOfTheWrongTypeReadAsDefaults)
{
    TempSettings settings;
    {
        QFile file(settings.store->filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"killSwitchEnabled": "yes", "activeDomainIndex": 1.5, "customDNS": 8, "autoConnect": true})");
    }
    const auto store = settings.reopen();
    EXPECT_EQ(store->boolOr(QStringLiteral("killSwitchEnabled"), false), false);
    EXPECT_EQ(store->intOr(QStringLiteral("activeDomainIndex"), 0), 0);
    EXPECT_EQ(store->stringOr(QStringLiteral("customDNS"), QString()), QString());
    // The well-typed values of the same file still count.
    EXPECT_EQ(store->boolValue(QStringLiteral("autoConnect")), true);
}
