#pragma once

#include <QString>

#include <optional>

class SecretStore;

// Generic-password items of the program's keychain service, one per key.
class KeychainHelper {
public:
    explicit KeychainHelper(SecretStore& store);

    static const QString service;

    // Replaces any item of the key; true when the new item was stored. A failed save leaves no
    // item behind, since the old one is deleted first.
    bool save(const QString& value, const QString& key);
    // Absent when there is no item or it cannot be read.
    std::optional<QString> read(const QString& key);
    // Deleting a missing item is not an error and reports nothing.
    void remove(const QString& key);

private:
    SecretStore& m_store;
};
