#pragma once

#include "api/api_errors.h"
#include "api/records/json_reader.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

// Small readers for the calls that look into an answer member by member before (or instead of)
// decoding a record.
namespace AnswerJson {

// The answer as a JSON object or array; anything else throws DecodingError.
inline QJsonValue parse(const QByteArray& body)
{
    return JsonReader::parse(body);
}

// A JSON Boolean true; 1 or "true" do not count.
inline bool isTrue(const QJsonValue& value)
{
    return value.isBool() && value.toBool();
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
    const auto json = parse(body);
    const auto object = json.toObject();
    const auto data = object.value(QLatin1String("data"));
    if (!json.isObject() || !isTrue(object.value(QLatin1String("ok"))) || !isArrayOfObjects(data))
        throw ApiError::badResponse();
    return JsonReader::listOf<T>(data.toArray());
}

// A whole answer decoded as one record; not JSON or not the record's shape throws DecodingError.
template <typename T>
T decodeRecord(const QByteArray& body)
{
    return T::fromJson(parse(body));
}

} // namespace AnswerJson
