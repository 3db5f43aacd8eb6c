#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <concepts>
#include <optional>

// Records that write themselves as JSON text.
template <typename T>
concept JsonRecord = requires(const T& record)
{
    {
        record.toJson()
        } -> std::same_as<QByteArray>;
};

// Writes one JSON object with its keys in the order they are added (QJsonObject sorts them).
class OrderedJsonWriter {
public:
    OrderedJsonWriter& add(const QString& key, const QJsonValue& value);
    // A map from text to integers, keys in the map's order.
    OrderedJsonWriter& add(const QString& key, const QMap<QString, qint64>& map);
    // A nested record, or a list of records, in their own key order.
    template <JsonRecord T>
    OrderedJsonWriter& add(const QString& key, const T& record)
    {
        return addRaw(key, record.toJson());
    }
    template <JsonRecord T>
    OrderedJsonWriter& add(const QString& key, const QList<T>& records)
    {
        QList<QByteArray> elements;
        elements.reserve(records.size());
        for (const auto& record : records)
            elements.append(record.toJson());
        return addRaw(key, encodeList(elements));
    }
    // An absent value leaves its key out: no null is written.
    template <typename T>
    OrderedJsonWriter& addOptional(const QString& key, const std::optional<T>& value)
    {
        if (value)
            add(key, *value);
        return *this;
    }
    // A value already written as JSON text (a nested record or list).
    OrderedJsonWriter& addRaw(const QString& key, const QByteArray& json);

    QByteArray toJson() const;

    // One JSON value as compact text.
    static QByteArray encode(const QJsonValue& value);
    // A list of values already written as JSON text.
    static QByteArray encodeList(const QList<QByteArray>& elements);

private:
    QList<QPair<QString, QByteArray>> m_members;
};
