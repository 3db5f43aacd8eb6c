#include "keychain_helper.h"

#include "platform/secret_store.h"

const QString KeychainHelper::service = QStringLiteral("com.velmorand.app");

KeychainHelper::KeychainHelper(SecretStore& store)
    : m_store(store)
{
}

bool KeychainHelper::save(const QString& value, const QString& key)
{
    // A text with unpaired surrogates has no UTF-8 form: store nothing rather than a mangled secret.
    if (!value.isValidUtf16())
        return false;
    m_store.remove(service, key);
    return m_store.save(service, key, value);
}

std::optional<QString> KeychainHelper::read(const QString& key) { return m_store.read(service, key); }

void KeychainHelper::remove(const QString& key) { m_store.remove(service, key); }
