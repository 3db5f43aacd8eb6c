#pragma once

#include <memory>

// Starting the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // False when the change could not be made.
    virtual bool setEnabled(bool enabled) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<LoginItem> makeNative();
};
