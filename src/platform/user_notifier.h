#pragma once

#include <memory>

#include <QString>

// Notices shown by the desktop (connected, disconnected).
class UserNotifier {
public:
    virtual ~UserNotifier() = default;
    virtual void requestPermission() = 0;
    virtual void post(const QString& title, const QString& body) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<UserNotifier> makeNative();
};
