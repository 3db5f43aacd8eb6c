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
inline bool isTrue(const QJsonValue& value)
{
    return value.isBool() && value.toBool();
}

// An answer object whose "ok" is true.
inline bool isOk(const QJsonValue& json)
{
    return json.isObject() && isTrue(json.toObject().value(QLatin1String("ok")));
}

// The answer's object, or an empty one when the body is not a JSON object.
inline QJsonObject objectOrEmpty(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}

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

// A whole answer decoded as one record; not JSON or not the record's shape throws DecodingError.
template <typename T>
T decodeRecord(const QByteArray& body)
{
    return T::fromJson(JsonReader::parse(body));
}

} // namespace AnswerJson
