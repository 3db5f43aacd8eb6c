#pragma once

#include "../biometric_auth.h"

#include <QStringList>

// Answers every request at once with the configured outcome.
class FakeBiometricAuth final : public BiometricAuth {
public:
    bool isAvailable() const override { return available; }
    void authenticate(const QString& reason, std::function<void(bool, const QString&)> reply) override
    {
        reasons.append(reason);
        reply(succeed, succeed ? QString() : QStringLiteral("failed"));
    }

    bool available = true;
    bool succeed = true;
    QStringList reasons;
};
