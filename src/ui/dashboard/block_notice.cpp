#include "block_notice.h"

#include "connection/vpn_manager.h"
#include "platform/text_table.h"

BlockNotice::BlockNotice(VpnManager& vpnManager, QWidget* parent)
    : SymbolLabel(QStringLiteral("bolt.shield.fill"), text(), TextStyle::Caption, TextColor::Orange, parent)
    , m_vpnManager(vpnManager)
{
    setObjectName(QStringLiteral("blockNotice"));
    connect(&m_vpnManager, &VpnManager::killSwitchEnabledChanged, this, &BlockNotice::refresh);
    refresh();
}

QString BlockNotice::text() { return i18n::tr(QStringLiteral("网络锁生效中，非 VPN 流量已被阻止")); }

void BlockNotice::refresh()
{
    setText(text());
    setVisible(m_vpnManager.killSwitchEnabled());
}
