#include "inbound_row.h"

#include "platform/count_text.h"
#include "platform/text_table.h"
#include "ui/common/fair_share_row.h"
#include "ui/common/number_formats.h"
#include "ui/common/status_dot.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// The protocol in a small rounded box on a faint blue, on one line.
QLabel* protocolBadge(const QString& protocol, QWidget* parent)
{
    auto* badge = makeOneLineLabel(protocol.toUpper(), TextStyle::Caption, TextColor::Primary, parent);
    badge->setObjectName(QStringLiteral("protocol"));
    QColor fill = Theme::of(badge).palette().blue;
    fill.setAlphaF(0.1);
    badge->setStyleSheet(QStringLiteral("background: rgba(%1, %2, %3, %4); border-radius: 4px; padding: 2px 6px;")
                             .arg(fill.red())
                             .arg(fill.green())
                             .arg(fill.blue())
                             .arg(fill.alphaF()));
    return badge;
}

} // namespace

QString InboundRow::downloadText(qint64 bytes) { return QStringLiteral("▼ ") + NumberFormat::byteCount(bytes); }

QString InboundRow::uploadText(qint64 bytes) { return QStringLiteral("▲ ") + NumberFormat::byteCount(bytes); }

InboundRow::InboundRow(const InboundInfo& inbound, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("inboundRow"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Spacing::s, 6, Spacing::s, 6);
    column->setSpacing(Spacing::s);

    // The remark and the protocol come from the server: each keeps its share of the line.
    auto* top = new FairShareRow;
    top->setSpacing(Spacing::s);
    auto* dot = new StatusDot(8, this);
    dot->setObjectName(QStringLiteral("enabledDot"));
    dot->setColor(inbound.enable ? TextColor::Green : TextColor::Red);
    top->addWidget(dot);
    auto* remark = makeOneLineLabel(inbound.remark, TextStyle::Body, QFont::Medium, TextColor::Primary, this);
    remark->setObjectName(QStringLiteral("remark"));
    top->addWidget(remark);
    top->addStretch();
    top->addWidget(protocolBadge(inbound.proto, this));
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(Spacing::s);
    auto* port = new SymbolLabel(QStringLiteral("arrow.down.to.line"), QString::number(inbound.port),
                                 TextStyle::Caption, TextColor::Secondary, this);
    port->setObjectName(QStringLiteral("port"));
    port->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    bottom->addWidget(port);
    auto* clients = makeLabel(i18n::countText(QStringLiteral("%d 个客户端"), inbound.clients),
                              TextStyle::Caption, TextColor::Secondary, this);
    clients->setObjectName(QStringLiteral("clients"));
    bottom->addWidget(clients);
    bottom->addStretch();
    // The totals in the face of the port and the clients beside them, whose digits are of one
    // width.
    auto* down = makeLabel(downloadText(inbound.down), TextStyle::Caption, TextColor::Blue, this);
    down->setObjectName(QStringLiteral("down"));
    bottom->addWidget(down);
    auto* up = makeLabel(uploadText(inbound.up), TextStyle::Caption, TextColor::Orange, this);
    up->setObjectName(QStringLiteral("up"));
    bottom->addWidget(up);
    column->addLayout(bottom);
}
