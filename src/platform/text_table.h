#pragma once

#include "platform/app_language.h"

#include <QString>

#include <optional>
#include <vector>

class LanguageManager;

// The interface texts in Chinese, English and Japanese. Code writes every user-visible text as
// its Chinese source text and looks it up here. Always call it qualified (`i18n::tr`): inside a
// QObject a bare `tr` is QObject::tr.
namespace i18n {

// One row of the table; the Chinese text is the key. A text absent from the data stays null.
struct TextEntry {
    QString zh;
    QString en;
    QString ja;

    const QString& text(AppLanguage language) const;
};

// The rows in the order the data file lists them. Built once, on first use, on any thread.
const std::vector<TextEntry>& entries();

// The text of `key` in `lang`, or in the current interface language when `lang` is absent.
// A key missing from the table, or a row without that language, gives the key itself: there is
// no fallback to another language. Placeholders ("%@", "%d", "%.0f%%") are left for the caller
// to fill (see text_format.h).
QString tr(const QString& key, std::optional<AppLanguage> lang = std::nullopt);

// Where lookups without a language find the current interface language: the application's
// language manager, installed by whoever owns it for as long as it lives (as a translator is
// installed on the application object). While none is installed, lookups give Chinese.
void installLanguageSource(const LanguageManager* manager);

} // namespace i18n
