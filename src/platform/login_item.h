#pragma once

// Starting the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // False when the change could not be made.
    virtual bool setEnabled(bool enabled) = 0;

    static LoginItem& shared();
};
