#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// The stand-in service's data: one realistic account with its plan, orders, tickets,
// invitations, withdrawals and traffic, plus the node list, plans, coupons, announcements and
// server figures every signed-in user sees. Changed by the calls (orders get paid, tickets get
// messages, withdrawals get filed) and freely by tests.
struct StandInState {
    struct Account {
        QString email;
        QString password;
        QString name;
        QString uuid; // the subscription token
        QString plan;
        QString expire;
        double trafficTotal = 0; // gigabytes
        double trafficUsed = 0;
        QString inviteCode;
        double commission = 0; // money not yet withdrawn
    };
    struct Order {
        qint64 id = 0;
        QString outTradeNo;
        QString planName;
        double amount = 0;
        QString status; // "pending", "paid", "closed", "activated"
        int polls = 0;
    };
    struct TicketMessage {
        qint64 id = 0;
        qint64 userId = 0;
        QString content;
        bool isAdmin = false;
        QString createdAt;
        QString senderName;
    };
    struct Ticket {
        qint64 id = 0;
        QString subject;
        QString status; // "open", "waiting", "resolved", "closed"
        QString createdAt;
        QString updatedAt;
        QList<TicketMessage> messages;
    };
    struct Coupon {
        QString code;
        std::optional<qint64> discountPct;
        std::optional<QString> discountLabel;
        qint64 left = 0;
        QStringList plans; // empty: every plan
        bool expired = false;
    };
    struct Withdraw {
        qint64 id = 0;
        double amount = 0;
        QString status;
        QString note;
        QString createdAt;
    };

    // A fresh state with the seeded data, its times relative to now.
    static StandInState seeded();

    Account account;
    qint64 userId = 10086;
    QHash<QString, QString> sessions; // session token -> e-mail
    QHash<QString, QString> resetCodes; // e-mail -> code
    QHash<QString, QDateTime> resetCodeSentAt;

    QJsonArray nodes; // node objects as the service sends them
    QJsonArray plans;
    QList<Coupon> coupons;
    QJsonArray announcements;
    QString latestVersion;
    QJsonObject serverStatus;
    QJsonArray inbounds;
    QJsonObject connections;
    QJsonArray invitedUsers;
    QJsonArray commissions;
    QJsonArray trafficLog; // 30 days, oldest first

    QList<Order> orders;
    QList<Ticket> tickets;
    QList<Withdraw> withdraws;
    qint64 nextId = 1000;

    // The pool list of "/api/guest/comm/config"; absent: the service's own listeners.
    std::optional<QJsonObject> domainPool;
    // Told of every password-reset code, as the mail to the user would be.
    std::function<void(const QString& email, const QString& code)> mailSent;

    // The PNG of a QR code carrying a text. When set, new orders carry their Alipay code and
    // USDT address as QR images, as the service sends them; when not, they carry none.
    std::function<QByteArray(const QString& text)> qrImage;

    // Status polls after which a pending order counts as paid.
    int pollsUntilPaid = 2;

    std::optional<QJsonObject> findPlan(const QString& name) const;
    Order* findOrder(qint64 id);
    Order* findOrderByTradeNo(const QString& outTradeNo);
    Ticket* findTicket(qint64 id);
    Coupon* findCoupon(const QString& code);
    // The user's message, then the staff's reply at once, so the chat has a reply to show.
    void addUserMessage(Ticket& ticket, const QString& content);
    // Applies a bought plan to the account.
    void activatePlan(const QString& planName);

    static QString timeText(const QDateTime& time);
    static QString now();
};
