#include "connection_notices.h"

#include "connection/vpn_manager.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "platform/user_notifier.h"
#include "ui/common/one_line_text.h"

ConnectionNotices::ConnectionNotices(VpnManager& vpnManager, SettingsStore& settings, UserNotifier& notifier,
                                     QObject* parent)
    : QObject(parent)
    , m_vpnManager(vpnManager)
    , m_settings(settings)
    , m_notifier(notifier)
    , m_lastState(vpnManager.state())
{
    connect(&m_vpnManager, &VpnManager::stateChanged, this, &ConnectionNotices::onStateChanged);
}

void ConnectionNotices::onStateChanged()
{
    const auto state = m_vpnManager.state();
    if (state == m_lastState)
        return;
    m_lastState = state;
    if (!m_settings.boolOr(SettingsKeys::connectionNotifications, SettingsDefaults::connectionNotifications))
        return;
    const auto title = i18n::tr(QStringLiteral("Velmorand"));
    if (state == ConnectionState::connected) {
        const auto node = m_vpnManager.connectedNode();
        m_notifier.post(title,
                        i18n::format(i18n::tr(QStringLiteral("已连接到 %@")), node ? oneLine(node->name) : QString()));
    } else if (state == ConnectionState::disconnected) {
        m_notifier.post(title, i18n::tr(QStringLiteral("VPN 已断开")));
    }
}
