#pragma once

#include "../secret_store.h"

#include <QMap>
#include <QPair>

class MemorySecretStore final : public SecretStore {
public:
    bool save(const QString& service, const QString& account, const QString& secret) override
    {
        items.insert({service, account}, secret);
        return true;
    }
    std::optional<QString> read(const QString& service, const QString& account) override
    {
        const auto it = items.constFind({service, account});
        if (it == items.cend())
            return std::nullopt;
        return *it;
    }
    bool remove(const QString& service, const QString& account) override
    {
        return items.remove({service, account}) > 0;
    }

    QMap<QPair<QString, QString>, QString> items;
};
