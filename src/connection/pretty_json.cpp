#include "pretty_json.h"

#include <QJsonArray>
#include <QJsonObject>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

void writeString(QByteArray& out, const QString& text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void writeNumber(QByteArray& out, double number)
{
    char text[32];
    // Whole numbers (ports, counts) are written without a fraction.
    const auto result = std::trunc(number) == number && std::abs(number) < 9007199254740992.0
        ? std::to_chars(text, text + sizeof text, static_cast<long long>(number))
        : std::to_chars(text, text + sizeof text, number);
    out.append(text, result.ptr - text);
}

void writeValue(QByteArray& out, const QJsonValue& value, int depth)
{
    const QByteArray indent((depth + 1) * 2, ' ');
    const QByteArray closingIndent(depth * 2, ' ');
    switch (value.type()) {
    case QJsonValue::Object: {
        // QJsonObject keeps its members sorted by name.
        const auto object = value.toObject();
        if (object.isEmpty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (auto it = object.begin(); it != object.end(); ++it) {
            out += indent;
            writeString(out, it.key());
            out += " : ";
            writeValue(out, it.value(), depth + 1);
            out += std::next(it) == object.end() ? "\n" : ",\n";
        }
        out += closingIndent + '}';
        return;
    }
    case QJsonValue::Array: {
        const auto array = value.toArray();
        if (array.isEmpty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (qsizetype i = 0; i < array.size(); ++i) {
            out += indent;
            writeValue(out, array.at(i), depth + 1);
            out += i + 1 == array.size() ? "\n" : ",\n";
        }
        out += closingIndent + ']';
        return;
    }
    case QJsonValue::String:
        writeString(out, value.toString());
        return;
    case QJsonValue::Double:
        writeNumber(out, value.toDouble());
        return;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        return;
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        return;
    }
}

} // namespace

namespace PrettyJson {

QByteArray write(const QJsonValue& value)
{
    QByteArray out;
    writeValue(out, value, 0);
    return out;
}

} // namespace PrettyJson
