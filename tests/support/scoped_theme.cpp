#include "scoped_theme.h"

#include "ui/common/theme_style.h"

#include <QApplication>

Theme& appliedTheme()
{
    const auto* style = qobject_cast<ThemeStyle*>(QApplication::style());
    if (!style)
        qFatal("No theme applied: the GUI suites' main applies one before any test");
    return style->theme();
}

ScopedTheme::ScopedTheme(const QString& appearance)
    : m_previous(appliedTheme())
{
    m_theme.setLanguage(m_previous.language());
    m_theme.setAccent(m_previous.accentName());
    m_theme.setAppearance(appearance);
    m_theme.apply();
}

ScopedTheme::~ScopedTheme() { m_previous.apply(); }
