#pragma once

#include <QString>

#include <array>
#include <optional>

// The interface languages, in the order the language picker lists them.
enum class AppLanguage { zh, en, ja };

inline constexpr std::array<AppLanguage, 3> allAppLanguages{AppLanguage::zh, AppLanguage::en, AppLanguage::ja};

// "zh", "en" or "ja": what the settings store and the text table carry.
inline QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zh:
        return QStringLiteral("zh");
    case AppLanguage::en:
        return QStringLiteral("en");
    case AppLanguage::ja:
        return QStringLiteral("ja");
    }
    return {};
}

// Exactly "zh", "en" or "ja" (case-sensitive); anything else names no language.
inline std::optional<AppLanguage> appLanguageFromRawValue(const QString& raw)
{
    for (const auto language : allAppLanguages) {
        if (rawValue(language) == raw)
            return language;
    }
    return std::nullopt;
}
