#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// The machine's public address and where the lookup service places it.
struct PublicIPInfo {
    QString ip;
    std::optional<QString> city;
    std::optional<QString> region;
    std::optional<QString> country;

    // The known, non-empty parts of city, region and country joined by " · ".
    QString locationText() const;

    // JSON form: "ip" required; "city", "region", "country" optional.
    static PublicIPInfo fromJson(const QJsonValue& value);
    QByteArray toJson() const;

    friend bool operator==(const PublicIPInfo&, const PublicIPInfo&) = default;
};
