#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The proxy server's health; every key required.
struct ServerStatusData {
    bool xray_running = false;
    QString xray_uptime; // display text as sent
    qint64 xray_cpu = 0; // percent
    qint64 xray_mem = 0; // percent
    bool panel_running = false; // the 3X-UI management panel
    QString server_uptime; // display text as sent
    QString load_avg; // display text as sent

    static ServerStatusData fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of "/api/server/status"; "ok" false decodes too.
struct ServerStatusResponse {
    bool ok = false;
    std::optional<ServerStatusData> data;

    static ServerStatusResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// One inbound of the proxy server; identity id; every key required.
struct InboundInfo {
    qint64 id = 0;
    QString remark;
    qint64 port = 0;
    QString proto; // JSON "protocol"
    bool enable = false;
    qint64 up = 0; // bytes as sent
    qint64 down = 0; // bytes as sent
    qint64 total = 0; // bytes as sent
    QString tag;
    qint64 clients = 0;

    static InboundInfo fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of "/api/server/inbounds".
struct InboundsResponse {
    bool ok = false;
    std::optional<QList<InboundInfo>> data;

    static InboundsResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of "/api/server/connections": active connections keyed by the port as text.
struct ConnectionsResponse {
    bool ok = false;
    std::optional<QMap<QString, qint64>> data;

    static ConnectionsResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};
