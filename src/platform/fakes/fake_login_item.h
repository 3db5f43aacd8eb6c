#pragma once

#include "../login_item.h"

class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    bool setEnabled(bool value) override
    {
        if (refuse)
            return false;
        enabled = value;
        return true;
    }

    bool enabled = false;
    bool refuse = false;
};
