#include "text_table.h"

#include "platform/language_manager.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

#include <atomic>

// The table's data is a resource of this static library; its registration must be pulled in
// explicitly, and from the global namespace.
static void initTextResources() { Q_INIT_RESOURCE(i18n); }

namespace i18n {
namespace {

struct Table {
    std::vector<TextEntry> rows;
    QHash<QString, qsizetype> rowByKey;
};

QString textOf(const QJsonObject& row, QLatin1String language)
{
    const auto value = row.value(language);
    return value.isString() ? value.toString() : QString();
}

Table load()
{
    initTextResources();
    Table table;
    QFile file(QStringLiteral(":/i18n/strings.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("[i18n] text table resource missing");
        return table;
    }
    const auto rows = QJsonDocument::fromJson(file.readAll()).array();
    table.rows.reserve(rows.size());
    for (const auto& value : rows) {
        const auto row = value.toObject();
        table.rows.push_back(
            {textOf(row, QLatin1String("zh")), textOf(row, QLatin1String("en")), textOf(row, QLatin1String("ja"))});
        // The first row of a key wins; the table's tests keep keys unique.
        if (!table.rowByKey.contains(table.rows.back().zh))
            table.rowByKey.insert(table.rows.back().zh, qsizetype(table.rows.size()) - 1);
    }
    return table;
}

const Table& table()
{
    static const Table instance = load();
    return instance;
}

} // namespace

const QString& TextEntry::text(AppLanguage language) const
{
    switch (language) {
    case AppLanguage::en:
        return en;
    case AppLanguage::ja:
        return ja;
    case AppLanguage::zh:
        break;
    }
    return zh;
}

namespace {

std::atomic<const LanguageManager*> languageSource{nullptr};

// Lookups run off the main thread too: the source's language is an atomic of its own.
AppLanguage currentLanguage()
{
    const auto* source = languageSource.load();
    return source ? source->currentLanguage() : AppLanguage::zh;
}

} // namespace

void installLanguageSource(const LanguageManager* manager) { languageSource.store(manager); }

const std::vector<TextEntry>& entries() { return table().rows; }

QString tr(const QString& key, std::optional<AppLanguage> lang)
{
    const auto language = lang ? *lang : currentLanguage();
    const auto& t = table();
    const auto found = t.rowByKey.constFind(key);
    if (found == t.rowByKey.cend())
        return key;
    const auto& text = t.rows[size_t(*found)].text(language);
    return text.isNull() ? key : text;
}

} // namespace i18n
