#include "app/keychain_helper.h"

#include "platform/fakes/memory_secret_store.h"

#include <gtest/gtest.h>

namespace {

// A store whose saves fail, as a locked or missing secret service does.
class RefusingSecretStore final : public SecretStore {
public:
    bool save(const QString&, const QString&, const QString&) override { return false; }
    std::optional<QString> read(const QString& service, const QString& account) override
    {
        return inner.read(service, account);
    }
    bool remove(const QString& service, const QString& account) override { return inner.remove(service, account); }
    MemorySecretStore inner;
};

const QString kKey = QStringLiteral("rememberedPassword");

TEST(KeychainHelper, SavesUnderTheProgramServiceAndReplacesTheOldItem)
{
    MemorySecretStore store;
    KeychainHelper keychain(store);
    EXPECT_TRUE(keychain.save(QStringLiteral("first"), kKey));
    EXPECT_TRUE(keychain.save(QStringLiteral("sëcond"), kKey));
    ASSERT_EQ(store.items.size(), 1);
    EXPECT_EQ(store.items.firstKey(), qMakePair(QStringLiteral("com.velmorand.app"), kKey));
    EXPECT_EQ(keychain.read(kKey), QStringLiteral("sëcond"));
}

TEST(KeychainHelper, DeletingAMissingItemIsQuiet)
{
    MemorySecretStore store;
    KeychainHelper keychain(store);
    keychain.remove(kKey);
    EXPECT_EQ(keychain.read(kKey), std::nullopt);
    keychain.save(QStringLiteral("pw"), kKey);
    keychain.remove(kKey);
    EXPECT_TRUE(store.items.isEmpty());
}

TEST(KeychainHelper, AFailedSaveLeavesNoOldItem)
{
    RefusingSecretStore store;
    store.inner.save(KeychainHelper::service, kKey, QStringLiteral("old"));
    KeychainHelper keychain(store);
    EXPECT_FALSE(keychain.save(QStringLiteral("new"), kKey));
    EXPECT_EQ(keychain.read(kKey), std::nullopt);
}

TEST(KeychainHelper, ATextWithoutUtf8FormIsNotStored)
{
    MemorySecretStore store;
    KeychainHelper keychain(store);
    keychain.save(QStringLiteral("kept"), kKey);
    const QString broken = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    EXPECT_FALSE(keychain.save(broken, kKey));
    EXPECT_EQ(keychain.read(kKey), QStringLiteral("kept"));
}

} // namespace
