#pragma once

#include "api/records/server_status_records.h"
#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

#include <QList>
#include <QMap>

// One tile of the server dashboard's status grid: a symbol and a title, a one-line state below,
// and optional detail rows (label on the left, value on the right) in the keys' text order.
class ServerCard : public ModernCard {
    Q_OBJECT
public:
    struct Content {
        QString icon;
        TextColor iconColor = TextColor::Secondary;
        QString title;
        QString subtitle;
        QMap<QString, QString> details;

        friend bool operator==(const Content&, const Content&) = default;
    };

    // The four tiles of the grid, in order: the proxy core, the management panel, the start time
    // and the system load. An absent status shows everything offline or "-".
    static QList<Content> statusTiles(const std::optional<ServerStatusData>& status);

    explicit ServerCard(const Content& content, QWidget* parent = nullptr);

    const Content& content() const { return m_content; }

private:
    Content m_content;
};
