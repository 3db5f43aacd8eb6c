#include "http_message.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

QString HttpRequest::path() const
{
    const auto query = target.indexOf('?');
    return QString::fromUtf8(query < 0 ? target : target.left(query));
}

QString HttpRequest::queryItem(const QString& name) const
{
    const auto query = target.indexOf('?');
    if (query < 0)
        return {};
    return QUrlQuery(QString::fromUtf8(target.mid(query + 1))).queryItemValue(name, QUrl::FullyDecoded);
}

std::optional<QByteArray> HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QList<QByteArray> HttpRequest::cookies(const QByteArray& name) const
{
    QList<QByteArray> values;
    for (const auto& [key, value] : headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& pair : value.split(';')) {
            const auto trimmed = pair.trimmed();
            const auto equals = trimmed.indexOf('=');
            if (equals > 0 && trimmed.left(equals) == name)
                values.append(trimmed.mid(equals + 1));
        }
    }
    return values;
}

HttpResponse HttpResponse::json(int status, const QJsonValue& value)
{
    const auto document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return text(status, document.toJson(QJsonDocument::Compact), "application/json; charset=utf-8");
}

HttpResponse HttpResponse::text(int status, const QByteArray& body, const QByteArray& contentType)
{
    HttpResponse response;
    response.status = status;
    response.body = body;
    response.addHeader("Content-Type", contentType);
    return response;
}

HttpResponse& HttpResponse::addHeader(const QByteArray& name, const QByteArray& value)
{
    headers.append({name, value});
    return *this;
}

QByteArray HttpResponse::serialize() const
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : headers)
        out += name + ": " + value + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

HttpRequestParser::State HttpRequestParser::feed(const QByteArray& bytes)
{
    m_buffer += bytes;
    if (!m_bodyStart) {
        // Only the new bytes (and three before them) can complete the blank line: a head sent a
        // byte at a time is scanned once, not once per byte.
        const auto headEnd = m_buffer.indexOf("\r\n\r\n", qMax<qsizetype>(0, m_buffer.size() - bytes.size() - 3));
        if (headEnd < 0)
            return m_buffer.size() > 64 * 1024 ? State::malformed : State::incomplete;
        if (parseHead(headEnd) == State::malformed)
            return State::malformed;
    }
    if (m_buffer.size() - *m_bodyStart < m_contentLength)
        return State::incomplete;
    m_request.body = m_buffer.mid(*m_bodyStart, m_contentLength);
    return State::complete;
}

HttpRequestParser::State HttpRequestParser::parseHead(qsizetype headEnd)
{
    const auto lines = m_buffer.left(headEnd).split('\n');
    const auto requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1."))
        return State::malformed;
    m_request.method = requestLine[0];
    m_request.target = requestLine[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto line = lines[i].trimmed();
        const auto colon = line.indexOf(':');
        if (colon <= 0)
            return State::malformed;
        m_request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    if (m_request.header("Transfer-Encoding"))
        return State::malformed; // the client always sends a length
    bool ok = true;
    const auto length = m_request.header("Content-Length").value_or("0");
    m_contentLength = length.toLongLong(&ok);
    if (!ok || m_contentLength < 0)
        return State::malformed;
    m_bodyStart = headEnd + 4;
    return State::incomplete;
}
