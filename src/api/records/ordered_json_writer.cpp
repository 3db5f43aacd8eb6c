#include "ordered_json_writer.h"

#include <QJsonArray>
#include <QJsonDocument>

OrderedJsonWriter& OrderedJsonWriter::add(const QString& key, const QJsonValue& value)
{
    m_members.append({key, encode(value)});
    return *this;
}

OrderedJsonWriter& OrderedJsonWriter::add(const QString& key, const QMap<QString, qint64>& map)
{
    OrderedJsonWriter object;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        object.add(it.key(), it.value());
    return addRaw(key, object.toJson());
}

OrderedJsonWriter& OrderedJsonWriter::addRaw(const QString& key, const QByteArray& json)
{
    m_members.append({key, json});
    return *this;
}

QByteArray OrderedJsonWriter::toJson() const
{
    QByteArray out("{");
    for (qsizetype i = 0; i < m_members.size(); ++i) {
        if (i > 0)
            out += ',';
        out += encode(m_members[i].first) + ':' + m_members[i].second;
    }
    return out + '}';
}

QByteArray OrderedJsonWriter::encode(const QJsonValue& value)
{
    // QJsonDocument writes only arrays and objects: wrap the value and strip the brackets.
    const auto wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

QByteArray OrderedJsonWriter::encodeList(const QList<QByteArray>& elements)
{
    QByteArray out("[");
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (i > 0)
            out += ',';
        out += elements[i];
    }
    return out + ']';
}
