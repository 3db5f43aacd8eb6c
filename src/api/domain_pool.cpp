#include "api/domain_pool.h"

#include "api/answer_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>

namespace DomainPool {

namespace {

QStringList splitPool(const QString& text)
{
    QStringList pool;
    for (const auto& entry : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto trimmed = entry.trimmed();
        if (!trimmed.isEmpty())
            pool.append(trimmed);
    }
    return pool;
}

bool allOf(const QJsonArray& array, bool (QJsonValue::*is)() const)
{
    return std::all_of(array.begin(), array.end(), [is](const QJsonValue& value) { return (value.*is)(); });
}

} // namespace

QStringList defaults()
{
    const auto fromEnvironment = splitPool(qEnvironmentVariable("VELMORAND_API_POOL"));
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return splitPool(QStringLiteral(VELMORAND_DEFAULT_API_POOL));
}

std::optional<QStringList> parseRemote(const QByteArray& body)
{
    const auto document = AnswerJson::parseLeniently(body);
    if (!document.isObject())
        return std::nullopt;
    const auto data = document.object().value(QLatin1String("data"));
    if (!data.isObject())
        return std::nullopt;
    const auto pool = data.toObject().value(QLatin1String("domain_pool"));
    if (!pool.isObject())
        return std::nullopt;

    QStringList list;
    const auto primary = pool.toObject().value(QLatin1String("primary"));
    if (primary.isArray() && allOf(primary.toArray(), &QJsonValue::isString)) {
        for (const auto& host : primary.toArray())
            list.append(QStringLiteral("https://") + host.toString());
    }
    const auto entries = pool.toObject().value(QLatin1String("entries"));
    if (entries.isArray() && allOf(entries.toArray(), &QJsonValue::isObject)) {
        for (const auto& entry : entries.toArray()) {
            const auto url = entry.toObject().value(QLatin1String("url"));
            if (url.isString() && url.toString().startsWith(QLatin1String("http")) && !list.contains(url.toString()))
                list.append(url.toString());
        }
    }
    if (list.isEmpty())
        return std::nullopt;
    return list;
}

QStringList merge(const QStringList& current, const QStringList& remote, const QString& currentBaseUrl)
{
    QStringList merged = remote;
    for (const auto& entry : current) {
        if (!merged.contains(entry))
            merged.append(entry);
    }
    const auto host = QUrl(currentBaseUrl).host();
    if (!host.isEmpty()) {
        const auto at
            = std::find_if(merged.begin(), merged.end(), [&](const QString& entry) { return entry.contains(host); });
        if (at != merged.end() && at != merged.begin())
            std::iter_swap(merged.begin(), at);
    }
    return merged;
}

QString describe(const QStringList& pool)
{
    QStringList quoted;
    quoted.reserve(pool.size());
    for (const auto& entry : pool)
        quoted.append(QLatin1Char('"') + entry + QLatin1Char('"'));
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace DomainPool
