#include "vpn_section.h"

#include "app/app_events.h"
#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/text_label.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVariant>

using SettingsForm::ChoicePicker;

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

} // namespace

VpnSection::VpnSection(VpnConnection& connection, SettingsStore& settings, AppEvents& notifier, QWidget* parent)
    : Section(t(u"VPN 设置"), parent)
    , m_connection(connection)
    , m_settings(settings)
{
    m_proxyMode
        = new ChoicePicker(t(u"代理模式"),
                           {{QStringLiteral("SOCKS5"), VpnConnection::rawValue(VpnConnection::ProxyMode::socks)},
                            {QStringLiteral("TUN"), VpnConnection::rawValue(VpnConnection::ProxyMode::tun)}},
                           this);
    m_proxyMode->setValue(VpnConnection::rawValue(m_connection.proxyMode()));
    connect(m_proxyMode, &ChoicePicker::chosen, this, [this](const QString& value) {
        m_connection.setProxyMode(value == QLatin1String("tun") ? VpnConnection::ProxyMode::tun
                                                                : VpnConnection::ProxyMode::socks);
    });
    connect(&m_connection, &VpnConnection::proxyModeChanged, this, &VpnSection::refreshProxyModeCaption);
    addRow(m_proxyMode);
    m_proxyModeCaption = SettingsForm::makeCaption(QString(), this);
    addRow(m_proxyModeCaption);
    refreshProxyModeCaption();

    m_routing = new ChoicePicker(
        t(u"分流模式"), {{t(u"规则分流"), QStringLiteral("rule")}, {t(u"全局代理"), QStringLiteral("global")}}, this);
    // The connection publishes the new mode at once; the core restarts on its own time.
    connect(m_routing, &ChoicePicker::chosen, this, [this](const QString& mode) { m_connection.setRoutingMode(mode); });
    connect(&m_connection, &VpnConnection::routingModeChanged, this, &VpnSection::refreshRouting);
    addRow(m_routing);
    m_routingCaption = SettingsForm::makeCaption(QString(), this);
    addRow(m_routingCaption);
    refreshRouting();

    const auto stored = [&](const char16_t* label, const QString& key, bool fallback) {
        auto* toggle = SettingsForm::makeStoredToggle(t(label), m_settings, key, fallback, this);
        m_toggles.insert(key, toggle);
        addRow(toggle);
        return toggle;
    };
    stored(u"开机自动连接", SettingsKeys::autoConnect, false);
    stored(u"自动选择最快节点", SettingsKeys::autoFastestNode, false)
        ->setToolTip(t(u"连接时会自动测速并选择最快的节点"));

    auto* reconnect = SettingsForm::makeToggle(t(u"隧道断开自动重连"), this);
    reconnect->setChecked(m_connection.autoReconnectEnabled());
    connect(reconnect, &QCheckBox::toggled, this, [this](bool on) { m_connection.setAutoReconnectEnabled(on); });
    connect(&m_connection, &VpnConnection::autoReconnectEnabledChanged, reconnect, [this, reconnect] {
        const QSignalBlocker quiet(reconnect);
        reconnect->setChecked(m_connection.autoReconnectEnabled());
    });
    m_toggles.insert(SettingsKeys::autoReconnectEnabled, reconnect);
    addRow(reconnect);

    // Any stored value that is not false keeps the status icon.
    auto* menuBar = stored(u"状态栏图标", SettingsKeys::showMenuBar, true);
    connect(menuBar, &QCheckBox::toggled, &notifier,
            [&notifier](bool on) { emit notifier.menuBarVisibilityChanged(on); });
    stored(u"连接后打开主窗口", SettingsKeys::openOnConnect, false);
    stored(u"连接通知", SettingsKeys::connectionNotifications, SettingsDefaults::connectionNotifications);

    auto* killSwitch = stored(u"网络锁 (Kill Switch)", SettingsKeys::killSwitchEnabled, false);
    connect(killSwitch, &QCheckBox::toggled, this, &VpnSection::applyKillSwitch);
    m_killSwitchWarning = makeLabel(QString(), TextStyle::Caption, TextColor::Red, this);
    m_killSwitchWarning->setObjectName(QStringLiteral("killSwitchWarning"));
    m_killSwitchWarning->setWordWrap(true);
    addRow(m_killSwitchWarning);
    connect(&m_connection, &VpnConnection::killSwitchEnabledChanged, this, &VpnSection::refreshKillSwitchWarning);
    connect(&m_connection, &VpnConnection::stateChanged, this, &VpnSection::refreshKillSwitchWarning,
            Qt::QueuedConnection);
    // A connect loads the rules after announcing the connection, through an administrator prompt:
    // its outcome is known once the connect has finished.
    connect(&m_connection, &VpnConnection::nodeConnected, this, &VpnSection::showKillSwitchOutcome);
    refreshKillSwitchWarning();
}

void VpnSection::refreshProxyModeCaption()
{
    m_proxyMode->setValue(VpnConnection::rawValue(m_connection.proxyMode()));
    m_proxyModeCaption->setText(m_connection.proxyMode() == VpnConnection::ProxyMode::tun
                                    ? t(u"TUN 虚拟网卡模式，捕获所有流量（需要管理员权限）")
                                    : t(u"SOCKS5 代理模式，部分应用可能不走代理"));
}

void VpnSection::refreshRouting()
{
    const auto mode = m_connection.routingMode();
    m_routing->setValue(mode);
    m_routingCaption->setText(mode == QLatin1String("global") ? t(u"全局代理：所有流量都走代理，速度稍慢但兼容性最好")
                                                              : t(u"规则分流：国内网站直连，国外网站走代理（推荐）"));
}

void VpnSection::applyKillSwitch(bool wanted)
{
    // Turned off, loaded rules go in any state: they outlive a failed reconnect or a crashed run.
    // Turned on while not connected, only the wish is stored: the engine applies it on its next
    // connect.
    const bool connected = m_connection.state() == ConnectionState::connected;
    const bool engineActs = wanted ? connected : connected || m_connection.killSwitchEnabled();
    if (!engineActs) {
        refreshKillSwitchWarning();
        return;
    }
    // The administrator prompt may stay open a while: the line speaks once it has been answered.
    whileAlive(this, wanted ? m_connection.enableKillSwitch() : m_connection.disableKillSwitch(),
               [this] { showKillSwitchOutcome(); });
    hideKillSwitchWarningWhenSettled();
}

bool VpnSection::rulesWanted() const
{
    // Turned off, no rules may stay loaded; turned on, they must be loaded while connected (and
    // may hold while not, after a lost connection or a crashed run).
    return m_settings.boolOr(SettingsKeys::killSwitchEnabled, false)
        && (m_connection.state() == ConnectionState::connected || m_connection.killSwitchEnabled());
}

bool VpnSection::killSwitchAsWished() const { return m_connection.killSwitchEnabled() == rulesWanted(); }

void VpnSection::refreshKillSwitchWarning()
{
    // Disconnected, the engine has nothing left to do with the rules; in any other state a step
    // may still be under way, and the line waits for its outcome.
    if (m_connection.state() == ConnectionState::disconnected)
        showKillSwitchOutcome();
    else
        hideKillSwitchWarningWhenSettled();
}

void VpnSection::hideKillSwitchWarningWhenSettled()
{
    if (!killSwitchAsWished())
        return;
    m_killSwitchWarning->clear();
    m_killSwitchWarning->hide();
}

void VpnSection::showKillSwitchOutcome()
{
    if (killSwitchAsWished()) {
        hideKillSwitchWarningWhenSettled();
        return;
    }
    m_killSwitchWarning->setText(rulesWanted() ? t(u"网络锁未能开启，非 VPN 流量未被阻止，详见连接日志")
                                               : t(u"网络锁未能关闭，非 VPN 流量仍被阻止，详见连接日志"));
    m_killSwitchWarning->show();
}
