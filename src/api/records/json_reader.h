#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <stdexcept>

// A service answer that does not fit its record.
class DecodingError : public std::runtime_error {
public:
    explicit DecodingError(const QString& description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }
    QString description() const { return m_description; }

private:
    QString m_description;
};

// Reads one JSON object under the records' single rule set: a required key that is missing or
// null fails; an optional key that is missing or null is absent; a present value of the wrong
// JSON type fails, optional or not; integers are integral numbers that fit in 64 bits (never
// Booleans); a list fails as a whole when one element fails; keys match exactly, others are
// ignored. Every failure throws DecodingError.
class JsonReader {
public:
    JsonReader(QJsonObject object, QString recordName);
    // Fails unless the value is a JSON object.
    static JsonReader of(const QJsonValue& value, const QString& recordName);
    // Parses a whole answer; fails unless it is a JSON object or array nested at most
    // maxNesting deep.
    static QJsonValue parse(const QByteArray& json);
    // No record of the service goes more than a few levels deep; a deeper answer is refused
    // before the parser builds it.
    static constexpr int maxNesting = 64;
    // Whether the arrays and objects of the text open more than maxNesting deep (strings
    // skipped); the text need not be valid JSON.
    static bool nestedTooDeeply(const QByteArray& json);

    qint64 requiredInt(const QString& key) const;
    std::optional<qint64> optionalInt(const QString& key) const;
    double requiredDouble(const QString& key) const;
    std::optional<double> optionalDouble(const QString& key) const;
    bool requiredBool(const QString& key) const;
    std::optional<bool> optionalBool(const QString& key) const;
    QString requiredString(const QString& key) const;
    std::optional<QString> optionalString(const QString& key) const;

    // Lists of records: each element goes through T::fromJson(const QJsonValue&).
    template <typename T>
    QList<T> requiredList(const QString& key) const
    {
        return decodeList<T>(key, requiredValue(key));
    }
    template <typename T>
    std::optional<QList<T>> optionalList(const QString& key) const
    {
        const auto value = presentValue(key);
        if (!value)
            return std::nullopt;
        return decodeList<T>(key, *value);
    }

    // Every element through T::fromJson; one failing element fails the whole list.
    template <typename T>
    static QList<T> listOf(const QJsonArray& array)
    {
        QList<T> items;
        items.reserve(array.size());
        for (const auto& element : array)
            items.append(T::fromJson(element));
        return items;
    }

    // A nested record: the value goes through T::fromJson(const QJsonValue&).
    template <typename T>
    std::optional<T> optionalRecord(const QString& key) const
    {
        const auto value = presentValue(key);
        if (!value)
            return std::nullopt;
        return T::fromJson(*value);
    }

    // An object whose every value is an integer; one value of another kind fails the whole map.
    std::optional<QMap<QString, qint64>> optionalIntMap(const QString& key) const;

    const QJsonObject& object() const { return m_object; }

    // The value as a 64-bit integer, or nothing when it is not an integral number in range.
    static std::optional<qint64> integerOf(const QJsonValue& value);

private:
    std::optional<QJsonValue> presentValue(const QString& key) const;
    QJsonValue requiredValue(const QString& key) const;
    [[noreturn]] void fail(const QString& key, const QString& problem) const;

    qint64 asInt(const QString& key, const QJsonValue& value) const;
    double asDouble(const QString& key, const QJsonValue& value) const;
    bool asBool(const QString& key, const QJsonValue& value) const;
    QString asString(const QString& key, const QJsonValue& value) const;

    template <typename T>
    QList<T> decodeList(const QString& key, const QJsonValue& value) const
    {
        if (!value.isArray())
            fail(key, QStringLiteral("is not a list"));
        return listOf<T>(value.toArray());
    }

    QJsonObject m_object;
    QString m_recordName;
};
