#include "../biometric_auth.h"

#include <QTimer>

namespace {

// Linux desktops offer no fingerprint prompt to applications in a portable way.
class UnavailableBiometricAuth final : public BiometricAuth {
public:
    bool isAvailable() const override { return false; }
    void authenticate(const QString&, std::function<void(bool, const QString&)> reply) override
    {
        QTimer::singleShot(
            0, [reply = std::move(reply)] { reply(false, QStringLiteral("biometric unlock is not available")); });
    }
};

} // namespace

std::unique_ptr<BiometricAuth> BiometricAuth::makeNative() { return std::make_unique<UnavailableBiometricAuth>(); }
