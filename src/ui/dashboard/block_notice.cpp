#include "block_notice.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"

BlockNotice::BlockNotice(VpnConnection& connection, QWidget* parent)
    : SymbolLabel(QStringLiteral("bolt.shield.fill"), text(), TextStyle::Caption, TextColor::Orange, parent)
    , m_connection(connection)
{
    setObjectName(QStringLiteral("blockNotice"));
    connect(&m_connection, &VpnConnection::killSwitchEnabledChanged, this, &BlockNotice::refresh);
    refresh();
}

QString BlockNotice::text() { return i18n::tr(QStringLiteral("网络锁生效中，非 VPN 流量已被阻止")); }

void BlockNotice::refresh()
{
    setText(text());
    setVisible(m_connection.killSwitchEnabled());
}
