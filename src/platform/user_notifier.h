#pragma once

#include <QString>

// Notices shown by the desktop (connected, disconnected).
class UserNotifier {
public:
    virtual ~UserNotifier() = default;
    virtual void requestPermission() = 0;
    virtual void post(const QString& title, const QString& body) = 0;

    static UserNotifier& shared();
};
