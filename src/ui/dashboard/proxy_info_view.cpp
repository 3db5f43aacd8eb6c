#include "proxy_info_view.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int symbolSize = 13;
} // namespace

QString ProxyInfoView::proxyAddress()
{
    return QStringLiteral("127.0.0.1:") + QString::number(VpnConnection::proxyPort);
}

ProxyInfoView::ProxyInfoView(VpnConnection& connection, QWidget* parent)
    : QWidget(parent)
    , m_connection(connection)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(8);

    auto* address = new QHBoxLayout;
    address->addWidget(
        new SymbolView(QStringLiteral("network.badge.shield.half.filled"), symbolSize, TextColor::Green, this));
    address->addWidget(
        makeLabel(QStringLiteral("SOCKS5: ") + proxyAddress(), TextStyle::Caption, TextColor::Secondary, this));
    address->addStretch();
    m_copy = new Button(i18n::tr(QStringLiteral("复制")), Button::Style::Link, this);
    m_copy->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_copy, &QPushButton::clicked, this, [] { QGuiApplication::clipboard()->setText(proxyAddress()); });
    address->addWidget(m_copy);
    column->addLayout(address);

    auto* systemProxy = new QHBoxLayout;
    m_systemProxySymbol = new SymbolView(QStringLiteral("network"), symbolSize, TextColor::Secondary, this);
    systemProxy->addWidget(m_systemProxySymbol);
    m_systemProxyText = makeLabel(QString(), TextStyle::Caption, TextColor::Secondary, this);
    systemProxy->addWidget(m_systemProxyText);
    systemProxy->addStretch();
    m_switch = new Button(QString(), Button::Style::Bordered, this);
    m_switch->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_switch, &QPushButton::clicked, this,
            [this] { m_connection.setSystemProxy(!m_connection.systemProxyEnabled()); });
    systemProxy->addWidget(m_switch);
    column->addLayout(systemProxy);

    m_hint = makeLabel(i18n::tr(QStringLiteral("开启后自动配置系统代理，即可正常上网")), TextStyle::Caption2,
                       TextColor::Orange, this);
    m_hint->setWordWrap(true);
    column->addWidget(m_hint);

    connect(&m_connection, &VpnConnection::systemProxyEnabledChanged, this, &ProxyInfoView::refresh);
    refresh();
}

void ProxyInfoView::refresh()
{
    const bool on = m_connection.systemProxyEnabled();
    m_systemProxySymbol->setColor(on ? TextColor::Green : TextColor::Secondary);
    m_systemProxyText->setText(on ? i18n::tr(QStringLiteral("系统代理已开启"))
                                  : i18n::tr(QStringLiteral("设置系统代理")));
    m_switch->setText(on ? i18n::tr(QStringLiteral("关闭")) : i18n::tr(QStringLiteral("开启")));
    m_hint->setVisible(!on);
}
