#pragma once

#include "http_listener.h"
#include "http_message.h"
#include "stand_in_routes.h"
#include "stand_in_state.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// A stand-in for the subscription service's API on 127.0.0.1: every path the client calls, with
// a realistic account, over plain HTTP and TLS listeners at once (for discovery and fail-over),
// plus a silent port and a closed port. Sign-in sets a session cookie that the account's calls
// require, and every POST must carry a valid request signature. Tests steer single paths with
// overrides and read the log of received requests.
class StandInService : public QObject {
    Q_OBJECT
public:
    // Replaces or shapes the answers of one path (query not part of it).
    struct Override {
        std::optional<QByteArray> method; // every method when absent
        std::optional<quint16> port; // every listener when absent
        std::optional<int> status; // with `body`: answer these instead of the service
        std::optional<QByteArray> body;
        QByteArray contentType = "application/json";
        QList<QByteArray> setCookies; // extra Set-Cookie headers on whatever is answered
        std::chrono::milliseconds delay{0};
        // The service handles the request, then closes the connection without answering: an
        // answer lost on its way back.
        bool drop = false;
        // The answer's headers and half its body are sent, then the connection breaks.
        BodyBreak bodyBreak = BodyBreak::none;
        int times = -1; // requests it applies to; -1: all
    };

    // A signature older or newer than this is refused.
    static constexpr qint64 signatureWindowSeconds = 300;

    explicit StandInService(QObject* parent = nullptr);

    StandInState& state() { return m_state; }

    // Listeners on 127.0.0.1; port 0 picks a free port. Each returns the port, or 0 on failure.
    quint16 listenHttp(quint16 port = 0);
    quint16 listenHttps(const QString& certificateFile, const QString& keyFile, quint16 port = 0);
    // Accepts connections and never answers.
    quint16 listenSilent(quint16 port = 0);
    // A port on 127.0.0.1 that nothing listens on (connections are refused).
    static quint16 closedPort();

    // "http://127.0.0.1:port" or "https://…" for an answering listener of this service.
    QString baseUrl(quint16 port) const;
    QStringList baseUrls() const;

    void setOverride(const QString& path, const Override& override);
    void clearOverrides() { m_overrides.clear(); }

    // Every request received, in order, overridden and dropped ones included.
    const QList<HttpRequest>& requests() const { return m_requests; }
    QList<HttpRequest> requestsTo(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

    QString lastError() const { return m_lastError; }

signals:
    void requestReceived(const HttpRequest& request);

private:
    quint16 start(HttpListener* listener, quint16 port);
    HttpReply handle(const HttpRequest& request);
    HttpResponse route(const HttpRequest& request);
    Override* matchingOverride(const HttpRequest& request);

    StandInState m_state;
    QList<Route> m_routes;
    QList<HttpListener*> m_listeners;
    QList<QPair<QString, Override>> m_overrides;
    QList<HttpRequest> m_requests;
    QString m_lastError;
};
