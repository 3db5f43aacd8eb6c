#pragma once

#include "api/api_errors.h"
#include "api/records/json_reader.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

// Small readers for the calls that look into an answer member by member before (or instead of)
// decoding a record.
namespace AnswerJson {

// A JSON Boolean true; 1 or "true" do not count.
inline bool isTrue(const QJsonValue& value) { return value.isBool() && value.toBool(); }

// An answer object whose "ok" is true.
inline bool isOk(const QJsonValue& json)
{
    return json.isObject() && isTrue(json.toObject().value(QLatin1String("ok")));
}

// The body as a JSON document, or an empty one when it is not JSON or nested too deeply.
inline QJsonDocument parseLeniently(const QByteArray& body)
{
    if (JsonReader::nestedTooDeeply(body))
        return {};
    return QJsonDocument::fromJson(body);
}

// The answer's object, or an empty one when the body is not a JSON object.
inline QJsonObject objectOrEmpty(const QByteArray& body) { return parseLeniently(body).object(); }

inline bool isArrayOfObjects(const QJsonValue& value)
{
    if (!value.isArray())
        return false;
    const auto array = value.toArray();
    return std::all_of(array.begin(), array.end(), [](const QJsonValue& element) { return element.isObject(); });
}

inline std::optional<QString> stringMember(const QJsonObject& object, const QString& key)
{
    const auto value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// The strict list answer: an object whose "ok" is true and whose "data" is an array of objects,
// each decoded as T (one failing element fails the list). Another shape throws
// ApiError::badResponse; a body that is not JSON throws DecodingError.
template <typename T>
QList<T> okDataList(const QByteArray& body)
{
    const auto json = JsonReader::parse(body);
    const auto data = json.toObject().value(QLatin1String("data"));
    if (!isOk(json) || !isArrayOfObjects(data))
        throw ApiError::badResponse();
    return JsonReader::listOf<T>(data.toArray());
}

// The lenient list reading of withdrawals and the traffic log: a missing or odd list, or one
// record that does not decode, gives an empty list; only a body that is not JSON throws.
template <typename T>
QList<T> lenientList(const QByteArray& body, const QString& key)
{
    const auto json = JsonReader::parse(body);
    const auto list = json.toObject().value(key);
    if (!json.isObject() || !isArrayOfObjects(list))
        return {};
    try {
        return JsonReader::listOf<T>(list.toArray());
    } catch (const DecodingError&) {
        return {};
    }
}

// A whole answer decoded as one record; not JSON or not the record's shape throws DecodingError.
template <typename T>
T decodeRecord(const QByteArray& body)
{
    return T::fromJson(JsonReader::parse(body));
}

} // namespace AnswerJson
