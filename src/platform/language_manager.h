#pragma once

#include "platform/app_language.h"

#include <QObject>
#include <QString>

#include <atomic>

class SettingsStore;

// The interface language in force. The choice lives in the settings store under "appLanguage"
// and survives restarts; a change is announced as currentLanguageChanged, which the application
// passes on to the windows, which rebuild their content.
class LanguageManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(AppLanguage currentLanguage READ currentLanguage NOTIFY currentLanguageChanged)
public:
    // Reads "appLanguage" once; an absent or unknown value starts in Chinese. Announces nothing.
    explicit LanguageManager(SettingsStore& settings, QObject* parent = nullptr);

    // The persisted choice as a raw value: "appLanguage", or "zh" when it is missing.
    QString storedLanguage() const;
    // Writes "appLanguage". When the text names a language other than the current one, that
    // language takes over and is announced.
    void setStoredLanguage(const QString& raw);

    // Safe to read from any thread: text lookups run off the main thread too.
    AppLanguage currentLanguage() const { return m_currentLanguage.load(); }

    // The one way the interface language is changed. Always announces the language; announces it
    // a second time, the language already switched at the first, when `language` differs from the
    // current one.
    void setLanguage(AppLanguage language);

signals:
    void currentLanguageChanged(AppLanguage language);

private:
    // Makes `language` current and announces it.
    void announce(AppLanguage language);

    SettingsStore& m_settings;
    std::atomic<AppLanguage> m_currentLanguage{AppLanguage::zh};
};
