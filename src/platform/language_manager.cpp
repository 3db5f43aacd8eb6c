#include "language_manager.h"

#include "platform/settings_keys.h"
#include "platform/settings_store.h"

LanguageManager::LanguageManager(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    // An unknown stored text stays in the store until the next change; Chinese is used meanwhile.
    if (const auto stored = appLanguageFromRawValue(storedLanguage()))
        m_currentLanguage = *stored;
}

QString LanguageManager::storedLanguage() const
{
    // The default is Chinese, not the system's language.
    return m_settings.stringOr(SettingsKeys::appLanguage, QStringLiteral("zh"));
}

void LanguageManager::setStoredLanguage(const QString& raw)
{
    m_settings.setValue(SettingsKeys::appLanguage, raw);
    const auto language = appLanguageFromRawValue(raw);
    if (language && *language != currentLanguage())
        announce(*language);
}

void LanguageManager::setLanguage(AppLanguage language)
{
    setStoredLanguage(rawValue(language));
    announce(language);
}

void LanguageManager::announce(AppLanguage language)
{
    m_currentLanguage = language;
    emit currentLanguageChanged(language);
}
