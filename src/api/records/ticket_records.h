#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// One support ticket; identity id. Times stay text as the service writes them.
struct Ticket {
    qint64 id = 0;
    QString subject;
    QString last_msg; // the latest message, for the list preview
    QString status; // "open", "waiting", "resolved", "closed" or other
    QString created_at;
    QString updated_at;
    std::optional<QString> creator_name;

    static Ticket fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// One message of a ticket.
struct TicketMessage {
    qint64 id = 0;
    qint64 ticket_id = 0;
    qint64 user_id = 0;
    QString content;
    qint64 is_admin = 0; // 0: the user's own message; any other value: the service's staff
    QString created_at;
    std::optional<QString> sender_name;

    bool isFromStaff() const { return is_admin != 0; }

    static TicketMessage fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};
