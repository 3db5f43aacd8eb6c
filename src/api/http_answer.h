#pragma once

#include "api/api_errors.h"

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QString>

#include <optional>

// What one request brought back. An answer with an HTTP status is an answer whatever the status
// (Qt flags 4xx and 5xx as reply errors; this client does not); a reply without a status, or one
// whose connection broke while the body was arriving, is a transport failure.
struct HttpAnswer {
    std::optional<int> status; // absent: no HTTP answer arrived
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;
    QByteArray body;
    QList<QNetworkCookie> cookies; // set by the answer
    // Qt reported the request written to a connection. It does so only for a request with a
    // body; a bodiless one that failed counts as possibly sent.
    bool requestLeft = false;

    bool isTransportFailure() const { return !status.has_value(); }
    bool isSuccess() const { return status && *status >= 200 && *status <= 299; }
    TransportError transportError() const { return TransportError(error, errorText); }
};

// Whether the reply's error says the connection failed (dropped, timed out, a broken message)
// rather than the service answering with an error status: a reply that already had its status
// line then holds part of an answer at most.
inline bool connectionFailed(QNetworkReply::NetworkError error)
{
    return (error != QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError)
        || error == QNetworkReply::ProtocolFailure;
}

// The transport failures after which a request surely never reached the service: nothing was
// connected, or the secure channel never came up. A POST is tried on another domain only after
// one of these, so that an order or a message is never created twice.
inline bool neverReachedService(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProtocolUnknownError:
        return true;
    default:
        return false;
    }
}

// Whether the failed request surely never reached the service: by its error, or because a request
// with a body failed before any of it was written, as when a connect to a host that drops packets
// runs out of time.
inline bool neverReachedService(const HttpAnswer& answer, bool hasBody)
{
    return neverReachedService(answer.error) || (hasBody && !answer.requestLeft);
}
