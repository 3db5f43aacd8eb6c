#pragma once

#include <memory>

#include <QString>

#include <functional>

// Unlocking with the user's fingerprint or face.
class BiometricAuth {
public:
    virtual ~BiometricAuth() = default;
    virtual bool isAvailable() const = 0;
    // The reply comes once, on the main thread: success, or the failure's text.
    virtual void authenticate(const QString& reason, std::function<void(bool success, const QString& error)> reply) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<BiometricAuth> makeNative();
};
