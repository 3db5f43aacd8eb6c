#include "connection_notices.h"

#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "platform/user_notifier.h"
#include "ui/common/one_line_text.h"

ConnectionNotices::ConnectionNotices(VpnConnection& connection, SettingsStore& settings, UserNotifier& notifier,
                                     QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_settings(settings)
    , m_notifier(notifier)
    , m_lastState(connection.state())
{
    connect(&m_connection, &VpnConnection::stateChanged, this, &ConnectionNotices::onStateChanged);
}

void ConnectionNotices::onStateChanged()
{
    const auto state = m_connection.state();
    if (state == m_lastState)
        return;
    m_lastState = state;
    if (!m_settings.boolOr(SettingsKeys::connectionNotifications, SettingsDefaults::connectionNotifications))
        return;
    const auto title = i18n::tr(QStringLiteral("Velmorand"));
    if (state == ConnectionState::connected) {
        const auto node = m_connection.connectedNode();
        m_notifier.post(title,
                        i18n::format(i18n::tr(QStringLiteral("已连接到 %@")), node ? oneLine(node->name) : QString()));
    } else if (state == ConnectionState::disconnected) {
        m_notifier.post(title, i18n::tr(QStringLiteral("VPN 已断开")));
    }
}
