#pragma once

#include "ui/common/theme.h"

#include <QString>

#include <optional>

// How the community screens show the service's status words: a text and its colour. Statuses
// compare exactly, letter case included; an unknown status shows as sent (or as the row says).
struct StatusLook {
    QString text;
    TextColor color;

    friend bool operator==(const StatusLook&, const StatusLook&) = default;
};

namespace StatusLooks {

// A support ticket's badge: "waiting" replied (blue), "closed" (gray), "resolved" (green),
// anything else pending a reply (orange).
StatusLook ticket(const QString& status);
// Whether a ticket still counts as open: any status but "closed" and "resolved".
bool ticketIsOpen(const QString& status);
// A commission record: "paid" settled (green), "pending" awaiting settlement, others as sent,
// absent empty (all orange).
StatusLook commission(const std::optional<QString>& status);
// A withdrawal request: "pending" awaiting review (orange), "approved" (green), "rejected" (red),
// others as sent, absent empty (orange).
StatusLook withdrawal(const std::optional<QString>& status);

} // namespace StatusLooks
