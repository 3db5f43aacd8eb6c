#pragma once

#include <QString>

#include <memory>
#include <optional>

// Generic-password items of the user's keychain, by service and account.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // Replaces any item of the same service and account.
    virtual bool save(const QString& service, const QString& account, const QString& secret) = 0;
    virtual std::optional<QString> read(const QString& service, const QString& account) = 0;
    virtual bool remove(const QString& service, const QString& account) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<SecretStore> makeNative();
};
