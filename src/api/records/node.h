#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonValue>
#include <QString>

#include <optional>

// One server of the service's node list. Equal and hashed by id alone.
struct Node {
    qint64 id = 0;
    QString name;
    QString server; // JSON "host"
    qint64 port = 0;
    QString method; // "reality" selects VLESS with REALITY, anything else Trojan with TLS
    QString password;
    QString status = QStringLiteral("offline");
    std::optional<qint64> delay; // milliseconds
    std::optional<QString> location;
    std::optional<QString> bandwidth;
    std::optional<qint64> sort_order;

    bool isOnline() const { return status == QLatin1String("online"); }

    // The region's flag, or a globe for an absent or unknown location.
    QString regionEmoji() const;

    static Node fromJson(const QJsonValue& value);
    QByteArray toJson() const;

    friend bool operator==(const Node& a, const Node& b) { return a.id == b.id; }
};

inline size_t qHash(const Node& node, size_t seed = 0) noexcept { return qHash(node.id, seed); }

template <>
struct std::hash<Node> {
    size_t operator()(const Node& node) const noexcept { return std::hash<qint64>()(node.id); }
};
