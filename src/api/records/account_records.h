#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The signed-in user's profile; ok true means signed in.
struct UserProfileResponse {
    bool ok = false;
    std::optional<QString> email;
    std::optional<QString> name;
    std::optional<QString> plan;
    std::optional<QString> expire; // as the service writes it
    std::optional<double> trafficTotal; // gigabytes, JSON "traffic_total"
    std::optional<double> trafficUsed; // gigabytes, JSON "traffic_used"
    std::optional<QString> inviteCode; // JSON "invite_code"
    std::optional<double> commission; // money
    std::optional<QString> msg; // given when the service refuses

    static UserProfileResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the version check.
struct AppVersionResponse {
    bool ok = false;
    std::optional<QString> version; // dotted numbers
    std::optional<QString> downloadUrl; // JSON "url"
    std::optional<bool> force; // mandatory update

    static AppVersionResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// One service announcement; lists are keyed by id, a larger id is newer.
struct Announcement {
    qint64 id = 0;
    QString title;
    QString content; // HTML
    QString createdAt; // JSON "created_at", as the service writes it

    static Announcement fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the announcements call. An absent list (no "data" or null) is not an empty one.
struct AnnouncementsResponse {
    bool ok = false;
    std::optional<QList<Announcement>> data;

    static AnnouncementsResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};
