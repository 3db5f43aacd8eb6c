#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QHostAddress>
#include <QString>

#include <optional>

// HTTP GETs through the proxy core's local ports, as a browser configured for them would send.
struct HttpAnswer {
    int status = 0;
    QByteArray body;
};

// GET http://target:targetPort/path through the SOCKS5 proxy on 127.0.0.1:proxyPort (no
// authentication, an IPv4 destination). Nothing when the proxy or the target failed.
QCoro::Task<std::optional<HttpAnswer>> fetchThroughSocks5(quint16 proxyPort, QHostAddress target, quint16 targetPort,
                                                          QString path);

// The same through the HTTP proxy on 127.0.0.1:proxyPort (a request in absolute form).
QCoro::Task<std::optional<HttpAnswer>> fetchThroughHttpProxy(quint16 proxyPort, QHostAddress target, quint16 targetPort,
                                                             QString path);
