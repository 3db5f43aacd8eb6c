#pragma once

#include <QByteArray>
#include <QJsonValue>

// JSON text laid out for people, as the platform's serializer writes it with "pretty printed"
// and "sorted keys": two-space indentation, " : " between a name and its value, members in
// ascending order of their names, and "/" escaped as "\/" like every other special character.
namespace PrettyJson {
QByteArray write(const QJsonValue& value);
} // namespace PrettyJson
