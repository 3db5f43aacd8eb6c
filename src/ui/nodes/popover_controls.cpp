#include "popover_controls.h"

#include "connection/vpn_connection.h"
#include "platform/login_item.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/segmented_picker.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"
#include "ui/common/toggle_switch.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QString ruleMode = QStringLiteral("rule");
const QString globalMode = QStringLiteral("global");

ToggleSwitch* addSwitchRow(QVBoxLayout* column, const QString& symbol, const QString& text, QWidget* parent)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 6, 16, 6);
    row->setSpacing(6);
    auto* icon = new SymbolView(symbol, 14, TextColor::Secondary, parent);
    icon->setFixedWidth(22);
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(makeLabel(text, TextStyle::Subheadline, TextColor::Primary, parent), 0, Qt::AlignVCenter);
    row->addStretch();
    auto* toggle = new ToggleSwitch(parent);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    column->addLayout(row);
    return toggle;
}

Button* makeWindowButton(const QString& symbol, const QString& text, QWidget* parent)
{
    auto* button = new Button(text, Button::Style::Plain, parent);
    button->setSymbol(symbol);
    button->setFont(Theme::of(button).font(TextStyle::Subheadline));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

PopoverModeRow::PopoverModeRow(VpnConnection& vpn, QWidget* parent)
    : QWidget(parent)
    , m_vpn(vpn)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 0, 16, 10);
    row->setSpacing(10);
    m_proxyMode = new SegmentedPicker({QStringLiteral("SOCKS5"), QStringLiteral("TUN")}, this);
    m_proxyMode->setAccessibleName(i18n::tr(QStringLiteral("模式")));
    m_routingMode = new SegmentedPicker({i18n::tr(QStringLiteral("规则")), i18n::tr(QStringLiteral("全局"))}, this);
    m_routingMode->setAccessibleName(i18n::tr(QStringLiteral("分流")));
    row->addWidget(m_proxyMode);
    row->addWidget(new Divider(22, this), 0, Qt::AlignVCenter);
    row->addWidget(m_routingMode);

    connect(m_proxyMode, &SegmentedPicker::activated, this, [this](int index) {
        m_vpn.setProxyMode(index == 0 ? VpnConnection::ProxyMode::socks : VpnConnection::ProxyMode::tun);
    });
    // The connection publishes the new mode at once; the core restarts on its own time.
    connect(m_routingMode, &SegmentedPicker::activated, this,
            [this](int index) { m_vpn.setRoutingMode(index == 0 ? ruleMode : globalMode); });
    connect(&m_vpn, &VpnConnection::proxyModeChanged, this, &PopoverModeRow::refresh);
    connect(&m_vpn, &VpnConnection::routingModeChanged, this, &PopoverModeRow::refresh);
    refresh();
}

void PopoverModeRow::refresh()
{
    m_proxyMode->setCurrentIndex(m_vpn.proxyMode() == VpnConnection::ProxyMode::socks ? 0 : 1);
    m_routingMode->setCurrentIndex(m_vpn.routingMode() == globalMode ? 1 : 0);
}

PopoverQuickSettings::PopoverQuickSettings(VpnConnection& vpn, SettingsStore& settings, LoginItem& loginItem,
                                           QWidget* parent)
    : QWidget(parent)
    , m_vpn(vpn)
    , m_settings(settings)
    , m_loginItem(loginItem)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_launchOnLogin = addSwitchRow(column, QStringLiteral("power.circle"), i18n::tr(QStringLiteral("开机自启")), this);
    m_launchOnLogin->setObjectName(QStringLiteral("launchOnLoginSwitch"));
    m_systemProxy = addSwitchRow(column, QStringLiteral("network"), i18n::tr(QStringLiteral("系统代理")), this);
    m_systemProxy->setObjectName(QStringLiteral("systemProxySwitch"));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    m_open = makeWindowButton(QStringLiteral("arrow.up.forward.app"), i18n::tr(QStringLiteral("打开面板")), this);
    m_quit = makeWindowButton(QStringLiteral("xmark"), i18n::tr(QStringLiteral("退出")), this);
    buttons->addWidget(m_open);
    buttons->addWidget(new Divider(20, this), 0, Qt::AlignVCenter);
    buttons->addWidget(m_quit);
    column->addSpacing(4);
    column->addLayout(buttons);

    // Only the user's clicks act: showing a value, or putting one back, never calls anything.
    connect(m_launchOnLogin, &QAbstractButton::clicked, this, &PopoverQuickSettings::setLaunchOnLogin);
    connect(m_systemProxy, &QAbstractButton::clicked, this, &PopoverQuickSettings::setSystemProxy);
    connect(m_open, &QPushButton::clicked, this, &PopoverQuickSettings::openMainWindowRequested);
    connect(m_quit, &QPushButton::clicked, this, &PopoverQuickSettings::quitRequested);
    connect(&m_vpn, &VpnConnection::stateChanged, this, &PopoverQuickSettings::refresh);
    connect(&m_vpn, &VpnConnection::systemProxyEnabledChanged, this, &PopoverQuickSettings::refresh);
    connect(&m_settings, &SettingsStore::valueChanged, this, [this](const QString& key) {
        if (key == SettingsKeys::launchOnLogin)
            refresh();
    });
    refresh();
}

void PopoverQuickSettings::setLaunchOnLogin(bool enabled)
{
    m_settings.setValue(SettingsKeys::launchOnLogin, enabled);
    if (m_loginItem.setEnabled(enabled))
        return;
    qInfo().noquote() << QStringLiteral("Failed to update login item: the login item could not be %1")
                             .arg(enabled ? QStringLiteral("registered") : QStringLiteral("unregistered"));
    // Put back as stored; the switch follows the store without acting again.
    m_settings.setValue(SettingsKeys::launchOnLogin, !enabled);
    refresh();
}

void PopoverQuickSettings::setSystemProxy(bool enabled)
{
    // Whatever the manager managed to do, once its commands have run.
    QCoro::connect(m_vpn.setSystemProxy(enabled), this, [this] { refresh(); });
}

void PopoverQuickSettings::refresh()
{
    m_launchOnLogin->setChecked(m_settings.boolOr(SettingsKeys::launchOnLogin, false));
    m_systemProxy->setChecked(m_vpn.systemProxyEnabled());
    m_systemProxy->setEnabled(m_vpn.state() == ConnectionState::connected);
}
