#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// One HTTP/1.1 request as the stand-in service received it.
struct HttpRequest {
    QByteArray method;
    QByteArray target; // path with query, as sent
    QList<QPair<QByteArray, QByteArray>> headers; // in the order sent
    QByteArray body;
    quint16 localPort = 0; // the listener that took it

    QString path() const; // the target without its query
    QString queryItem(const QString& name) const;
    // The first header of that name (case-insensitive).
    std::optional<QByteArray> header(const QByteArray& name) const;
    // The values of that cookie in the Cookie headers, in order.
    QList<QByteArray> cookies(const QByteArray& name) const;
};

// One answer. Every answer closes its connection.
struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static HttpResponse json(int status, const QJsonValue& value);
    static HttpResponse text(int status, const QByteArray& body, const QByteArray& contentType);

    HttpResponse& addHeader(const QByteArray& name, const QByteArray& value);
    QByteArray serialize() const;
};

// Reads requests from a byte stream: feed what arrives, take a request once it is complete.
class HttpRequestParser {
public:
    enum class State { incomplete, complete, malformed };

    State feed(const QByteArray& bytes);
    // The complete request; valid after feed() said complete.
    const HttpRequest& request() const { return m_request; }

private:
    State parseHead(qsizetype headEnd);

    QByteArray m_buffer;
    HttpRequest m_request;
    std::optional<qsizetype> m_bodyStart;
    qsizetype m_contentLength = 0;
};
