#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// One user who registered with the account's invitation code.
struct InvitedUser {
    QString email;
    QString created_at;
    // The service sends no identifier: every entry made (decoded or built) takes one of its own,
    // so the entries of one answer never share it; copies keep it. Not part of the JSON form.
    quint64 id = nextId();

    static InvitedUser fromJson(const QJsonValue& value);
    QByteArray toJson() const;

private:
    static quint64 nextId();
};

// One commission entry; identity id.
struct CommissionRecord {
    qint64 id = 0;
    std::optional<QString> plan_name;
    double amount = 0; // money
    std::optional<double> rate;
    std::optional<QString> status; // "paid", "pending" or as sent
    std::optional<QString> created_at;

    static CommissionRecord fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the invitation call; "ok" false decodes too.
struct InviteResponse {
    bool ok = false;
    std::optional<QString> invite_code;
    std::optional<qint64> invited_count;
    std::optional<double> commission_total; // money
    std::optional<double> commission_pending; // money
    std::optional<QList<InvitedUser>> invited_users;
    std::optional<QList<CommissionRecord>> commissions;

    static InviteResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// One past withdrawal request; identity id.
struct WithdrawRecord {
    qint64 id = 0;
    double amount = 0; // money
    std::optional<QString> status; // "pending", "approved", "rejected" or as sent
    std::optional<QString> note;
    std::optional<QString> created_at;

    static WithdrawRecord fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// One day of the traffic log; identity date (two entries of one day share it).
struct TrafficLogEntry {
    QString date;
    double used = 0; // gigabytes

    static TrafficLogEntry fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};
