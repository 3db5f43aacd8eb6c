#include "json_reader.h"

#include <QJsonDocument>
#include <QJsonParseError>

JsonReader::JsonReader(QJsonObject object, QString recordName)
    : m_object(std::move(object))
    , m_recordName(std::move(recordName))
{
}

JsonReader JsonReader::of(const QJsonValue& value, const QString& recordName)
{
    if (!value.isObject())
        throw DecodingError(recordName + QStringLiteral(": not a JSON object"));
    return JsonReader(value.toObject(), recordName);
}

bool JsonReader::nestedTooDeeply(const QByteArray& json)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : json) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxNesting)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

QJsonValue JsonReader::parse(const QByteArray& json)
{
    if (nestedTooDeeply(json))
        throw DecodingError(QStringLiteral("not JSON: nested more than %1 deep").arg(maxNesting));
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(QStringLiteral("not JSON: ") + error.errorString());
    if (document.isArray())
        return document.array();
    return document.object();
}

std::optional<qint64> JsonReader::integerOf(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger gives its fallback for fractions and out-of-range values: two different
    // fallbacks tell a real zero or one from a refusal.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return std::nullopt;
    return a;
}

std::optional<QJsonValue> JsonReader::presentValue(const QString& key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd() || it->isNull())
        return std::nullopt;
    return *it;
}

QJsonValue JsonReader::requiredValue(const QString& key) const
{
    const auto value = presentValue(key);
    if (!value)
        fail(key, QStringLiteral("is missing"));
    return *value;
}

void JsonReader::fail(const QString& key, const QString& problem) const
{
    throw DecodingError(m_recordName + QStringLiteral(": \"") + key + QStringLiteral("\" ") + problem);
}

qint64 JsonReader::asInt(const QString& key, const QJsonValue& value) const
{
    const auto integer = integerOf(value);
    if (!integer)
        fail(key, QStringLiteral("is not an integer"));
    return *integer;
}

double JsonReader::asDouble(const QString& key, const QJsonValue& value) const
{
    if (!value.isDouble())
        fail(key, QStringLiteral("is not a number"));
    return value.toDouble();
}

bool JsonReader::asBool(const QString& key, const QJsonValue& value) const
{
    if (!value.isBool())
        fail(key, QStringLiteral("is not true or false"));
    return value.toBool();
}

QString JsonReader::asString(const QString& key, const QJsonValue& value) const
{
    if (!value.isString())
        fail(key, QStringLiteral("is not a text"));
    return value.toString();
}

qint64 JsonReader::requiredInt(const QString& key) const { return asInt(key, requiredValue(key)); }
double JsonReader::requiredDouble(const QString& key) const { return asDouble(key, requiredValue(key)); }
bool JsonReader::requiredBool(const QString& key) const { return asBool(key, requiredValue(key)); }
QString JsonReader::requiredString(const QString& key) const { return asString(key, requiredValue(key)); }

std::optional<qint64> JsonReader::optionalInt(const QString& key) const
{
    const auto value = presentValue(key);
    return value ? std::optional(asInt(key, *value)) : std::nullopt;
}

std::optional<double> JsonReader::optionalDouble(const QString& key) const
{
    const auto value = presentValue(key);
    return value ? std::optional(asDouble(key, *value)) : std::nullopt;
}

std::optional<bool> JsonReader::optionalBool(const QString& key) const
{
    const auto value = presentValue(key);
    return value ? std::optional(asBool(key, *value)) : std::nullopt;
}

std::optional<QString> JsonReader::optionalString(const QString& key) const
{
    const auto value = presentValue(key);
    return value ? std::optional(asString(key, *value)) : std::nullopt;
}

std::optional<QMap<QString, qint64>> JsonReader::optionalIntMap(const QString& key) const
{
    const auto value = presentValue(key);
    if (!value)
        return std::nullopt;
    if (!value->isObject())
        fail(key, QStringLiteral("is not an object"));
    QMap<QString, qint64> map;
    const auto object = value->toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        map.insert(it.key(), asInt(key + QLatin1Char('.') + it.key(), it.value()));
    return map;
}
