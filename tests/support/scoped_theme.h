#pragma once

#include "ui/common/theme.h"

// The theme the application's style carries now: the one the screens built now draw with.
Theme& appliedTheme();

// A theme of a test's own, applied to the application while it lives, so that the screens the
// test builds draw with it; the theme applied before comes back after it. It starts in the
// language and accent of that theme, in `appearance`.
class ScopedTheme {
public:
    explicit ScopedTheme(const QString& appearance = QStringLiteral("light"));
    ScopedTheme(const ScopedTheme&) = delete;
    ScopedTheme& operator=(const ScopedTheme&) = delete;
    ~ScopedTheme();

    Theme& theme() { return m_theme; }

private:
    Theme& m_previous;
    Theme m_theme;
};
