#pragma once

#include "support/scoped_theme.h"

// The application's look in one appearance for a scope, back to the look before after it.
struct ScopedAppearance {
    explicit ScopedAppearance(const char* appearance)
        : look(QLatin1String(appearance))
    {
    }
    Theme& theme() { return look.theme(); }

    ScopedTheme look;
};
