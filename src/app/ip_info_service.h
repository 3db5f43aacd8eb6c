#pragma once

#include "app/public_ip_info.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

// Looks up the machine's public address from public IP-geolocation services, asked in a fixed
// order until one gives a usable answer. Used from the main thread; outlives its lookups.
class IPInfoService {
public:
    // The three public endpoints, in the order they are asked.
    static QList<QUrl> defaultEndpoints();
    static constexpr std::chrono::milliseconds defaultTimeout{6000};

    // A lookup takes the application's proxy (see ApplicationProxy): the address shown must be
    // the one the user's traffic leaves from, which is the tunnel's exit while the system proxy
    // points at the local core.
    explicit IPInfoService(QList<QUrl> endpoints = defaultEndpoints(),
                           std::chrono::milliseconds timeout = defaultTimeout);

    // The first usable answer, or nothing when every endpoint failed. Never fails.
    QCoro::Task<std::optional<PublicIPInfo>> fetchPublicIP();

    // One answer body as the endpoints write it: a JSON object with a non-empty string "ip".
    static std::optional<PublicIPInfo> parseAnswer(const QByteArray& body);

private:
    QCoro::Task<std::optional<PublicIPInfo>> fetch(QUrl url);

    QList<QUrl> m_endpoints;
    std::chrono::milliseconds m_timeout;
    // Private to the lookup: no cookies or cache shared with the service's client.
    QNetworkAccessManager m_session;
};
