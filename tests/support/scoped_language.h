#pragma once

#include "platform/app_language.h"
#include "platform/language_manager.h"
#include "platform/text_table.h"
#include "support/temp_settings.h"

// The lookups' language for a scope: a language manager of its own, installed while the scope
// lasts; lookups give Chinese again at its end.
struct ScopedLanguage {
    explicit ScopedLanguage(AppLanguage language)
    {
        manager.setLanguage(language);
        i18n::installLanguageSource(&manager);
    }
    ~ScopedLanguage() { i18n::installLanguageSource(nullptr); }

    TempSettings settings;
    LanguageManager manager{*settings.store};
};
