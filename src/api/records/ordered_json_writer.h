#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Writes one JSON object with its keys in the order they are added (QJsonObject sorts them).
class OrderedJsonWriter {
public:
    OrderedJsonWriter& add(const QString& key, const QJsonValue& value);
    // An absent value leaves its key out: no null is written.
    template <typename T>
    OrderedJsonWriter& addOptional(const QString& key, const std::optional<T>& value)
    {
        if (value)
            add(key, QJsonValue(*value));
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
