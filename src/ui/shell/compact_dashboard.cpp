#include "compact_dashboard.h"

#include "ui/dashboard/block_notice.h"
#include "ui/dashboard/dashboard_style.h"

#include "app/app_state.h"
#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/card_frame.h"
#include "ui/common/icon_button.h"
#include "ui/common/number_formats.h"
#include "ui/common/spinner.h"
#include "ui/common/status_dot.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QLabel* trafficFigure(const QString& symbol, TextColor color, QHBoxLayout* row, QWidget* parent)
{
    row->addWidget(new SymbolView(symbol, 14, color, parent));
    auto* figure = new TextLabel(QString(), parent);
    figure->setFont(Theme::of(figure).monospacedDigitFont(TextStyle::Body));
    row->addWidget(figure);
    return figure;
}

} // namespace

CompactDashboard::CompactDashboard(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    setMinimumSize(400, 300);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    auto* card = new CardFrame(this);
    outer->addWidget(card);
    auto* column = new QVBoxLayout(card);
    column->setSpacing(Spacing::m);
    column->addStretch();

    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(Spacing::s);
    m_dot = new StatusDot(10, card);
    statusRow->addWidget(m_dot);
    m_status = makeLabel(QString(), TextStyle::Headline, TextColor::Primary, card);
    m_status->setObjectName(QStringLiteral("statusText"));
    statusRow->addWidget(m_status);
    statusRow->addStretch();
    column->addLayout(statusRow);

    m_node = makeOneLineLabel(QString(), TextStyle::Subheadline, TextColor::Secondary, card);
    m_node->setObjectName(QStringLiteral("nodeName"));
    column->addWidget(m_node);
    column->addWidget(new BlockNotice(m_services.connection, card));

    auto* traffic = new QHBoxLayout;
    traffic->setSpacing(Spacing::xs);
    m_down = trafficFigure(QStringLiteral("arrow.down"), TextColor::Blue, traffic, card);
    m_down->setObjectName(QStringLiteral("trafficDown"));
    traffic->addSpacing(Spacing::xxl);
    m_up = trafficFigure(QStringLiteral("arrow.up"), TextColor::Orange, traffic, card);
    m_up->setObjectName(QStringLiteral("trafficUp"));
    traffic->addStretch();
    column->addLayout(traffic);

    m_spinner = new Spinner(16, card);
    column->addWidget(m_spinner, 0, Qt::AlignHCenter);
    column->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(Spacing::m);
    m_power = new Button(QString(), Button::Style::Prominent, card);
    m_power->setObjectName(QStringLiteral("powerButton"));
    m_power->setControlSize(Button::Size::Large);
    m_power->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_power, &QPushButton::clicked, this, &CompactDashboard::toggleConnection);
    buttons->addWidget(m_power, 1);
    auto* expand = new IconButton(QStringLiteral("arrow.up.left.and.arrow.down.right"), 16, card);
    expand->setObjectName(QStringLiteral("expandButton"));
    expand->setToolTip(i18n::tr(QStringLiteral("展开窗口")));
    connect(expand, &QToolButton::clicked, this,
            [this] { m_services.settings.setValue(SettingsKeys::windowIsCompact, false); });
    buttons->addWidget(expand);
    column->addLayout(buttons);

    auto& vpn = m_services.connection;
    for (auto signal : {&VpnConnection::stateChanged, &VpnConnection::connectedNodeChanged,
                        &VpnConnection::trafficDownChanged, &VpnConnection::trafficUpChanged})
        connect(&vpn, signal, this, &CompactDashboard::refresh);
    connect(&m_services.appState, &AppState::isLoggedInChanged, this, &CompactDashboard::refresh);
    refresh();
}

QString CompactDashboard::trafficString(qint64 bytes) { return NumberFormat::byteCount(bytes); }

void CompactDashboard::refresh()
{
    const auto& vpn = m_services.connection;
    const auto state = vpn.state();
    m_dot->setColor(DashboardStyle::stateLightColor(state));
    m_status->setText(DashboardStyle::statusText(state));
    const bool connected = state == ConnectionState::connected;
    const auto node = vpn.connectedNode();
    m_node->setVisible(connected && node.has_value());
    m_node->setText(node ? node->name : QString());
    m_down->setText(trafficString(vpn.trafficDown()));
    m_up->setText(trafficString(vpn.trafficUp()));
    m_spinner->setVisible(state == ConnectionState::connecting);
    m_power->setText(connected ? i18n::tr(QStringLiteral("断开")) : i18n::tr(QStringLiteral("连接")));
    m_power->setSymbol(connected ? QStringLiteral("power") : QString());
    m_power->setTint(connected ? TextColor::Red : TextColor::Blue);
    m_power->setEnabled(state != ConnectionState::connecting && m_services.appState.isLoggedIn());
}

void CompactDashboard::toggleConnection()
{
    if (m_services.appState.isLoggedIn())
        ::toggleConnection(m_services);
}
