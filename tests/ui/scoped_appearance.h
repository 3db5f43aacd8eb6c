#pragma once

#include "ui/common/theme.h"

// The application's look in one appearance for a scope, back to the light one after it.
struct ScopedAppearance {
    explicit ScopedAppearance(const char* appearance)
    {
        Theme::shared().setAppearance(QLatin1String(appearance));
        Theme::shared().apply();
    }
    ~ScopedAppearance()
    {
        Theme::shared().setAppearance(QStringLiteral("light"));
        Theme::shared().apply();
    }
};
