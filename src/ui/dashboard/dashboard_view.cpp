#include "dashboard_view.h"

#include "app/app_state.h"
#include "app/connection_actions.h"
#include "app/ip_info_service.h"
#include "app/startup_rules.h"
#include "connection/vpn_connection.h"
#include "connection_card.h"
#include "connection_log_card.h"
#include "node_cards.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "public_ip_card.h"
#include "subscription_card.h"
#include "traffic_cards.h"
#include "ui/common/plain_alert.h"
#include "ui/common/scroll_column.h"

#include <QMessageBox>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

DashboardView::DashboardView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_lastState(m_services.connection.state())
{
    setObjectName(QStringLiteral("dashboardView"));
    setWindowTitle(i18n::tr(QStringLiteral("仪表盘")));
    auto& vpn = m_services.connection;
    auto& appState = m_services.appState;

    auto* scroll = new QScrollArea(this);
    makeSeeThrough(scroll);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("dashboardContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(20);

    m_connectionCard = new ConnectionCard(vpn, appState, content);
    m_detailsCard = new ConnectionDetailsCard(vpn, content);
    m_trafficCard = new TrafficCard(vpn, content);
    m_publicIPCard = new PublicIPCard(content);
    m_subscriptionCard = new SubscriptionCard(appState, content);
    m_favoritesCard = new FavoritesCard(appState, content);
    m_recentCard = makeRecentNodesCard(appState, content);
    m_inviteCard = new InviteCard(appState, content);
    m_nodeCard = makeNodeListCard(appState, content);
    m_logCard = new ConnectionLogCard(vpn, content);
    for (QWidget* card : std::initializer_list<QWidget*>{m_connectionCard, m_detailsCard, m_trafficCard, m_publicIPCard,
                                                         m_subscriptionCard, m_favoritesCard, m_recentCard,
                                                         m_inviteCard, m_nodeCard, m_logCard})
        column->addWidget(card);
    column->addStretch();
    setSeeThroughWidget(scroll, content);

    connect(m_connectionCard, &ConnectionCard::toggleRequested, this, qOverload<>(&DashboardView::toggleConnection));
    connect(m_publicIPCard, &PublicIPCard::refreshRequested, this, &DashboardView::refreshPublicIP);
    for (NodeRowsCard* card : std::initializer_list<NodeRowsCard*>{m_favoritesCard, m_recentCard, m_nodeCard})
        connect(card, &NodeRowsCard::nodeChosen, this, qOverload<const Node&>(&DashboardView::toggleConnection));

    connect(&vpn, &VpnConnection::stateChanged, this, &DashboardView::onStateChanged);
    connect(&vpn, &VpnConnection::connectedNodeChanged, this, [this] {
        m_connectionCard->refresh();
        m_detailsCard->refresh();
    });
    connect(&vpn, &VpnConnection::isProxyRunningChanged, m_connectionCard, &ConnectionCard::refresh);
    connect(&vpn, &VpnConnection::connectionDurationChanged, m_detailsCard, &ConnectionDetailsCard::refreshDuration);
    for (auto changed : {&VpnConnection::trafficDownChanged, &VpnConnection::trafficUpChanged}) {
        connect(&vpn, changed, m_detailsCard, &ConnectionDetailsCard::refreshTotals);
        connect(&vpn, changed, m_trafficCard, &TrafficCard::refreshTotals);
    }
    for (auto changed : {&VpnConnection::trafficHistoryDownChanged, &VpnConnection::trafficHistoryUpChanged})
        connect(&vpn, changed, m_trafficCard, &TrafficCard::refreshGraph);

    // The application state announces a change before it makes it: read it once it is made.
    connect(&appState, &AppState::objectWillChange, this, &DashboardView::scheduleAppStateRefresh);
    // Only while this screen lives: a new node list may bring the automatic choice.
    connect(&appState, &AppState::nodesChanged, this, [this] { m_services.startup.autoConnectFastestIfIdle(); });

    refreshConnectionState();
    refreshAppStateCards();
    refreshPublicIPCard();
}

QMessageBox* DashboardView::connectAlert() const { return m_connectAlert; }

void DashboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the dock or the tray is no new appearance of the screen.
    if (event->spontaneous())
        return;
    m_services.startup.autoConnectFastestIfIdle();
    refreshPublicIP();
}

void DashboardView::toggleConnection()
{
    auto& vpn = m_services.connection;
    if (vpn.state() == ConnectionState::connected) {
        m_services.connection.disconnect();
        return;
    }
    const auto& nodes = m_services.appState.nodes();
    if (nodes.isEmpty()) {
        m_connectError = i18n::tr(QStringLiteral("没有可用节点"));
        m_showConnectError = true;
        presentConnectError();
        return;
    }
    const auto online = std::find_if(nodes.cbegin(), nodes.cend(), [](const Node& node) { return node.isOnline(); });
    connectAndForget(m_services.connection, online != nodes.cend() ? *online : nodes.first());
}

void DashboardView::toggleConnection(const Node& node) { connectAndForget(m_services.connection, node); }

void DashboardView::presentConnectError()
{
    if (m_connectAlert)
        m_connectAlert->close();
    auto* alert = makePlainAlert(QMessageBox::NoIcon, i18n::tr(QStringLiteral("连接失败")),
                                 m_connectError.value_or(i18n::tr(QStringLiteral("未知错误"))), this);
    alert->setObjectName(QStringLiteral("connectAlert"));
    alert->addButton(i18n::tr(QStringLiteral("确定")), QMessageBox::RejectRole);
    connect(alert, &QDialog::finished, this, [this] { m_showConnectError = false; });
    m_connectAlert = alert;
    alert->open();
}

void DashboardView::refreshPublicIP()
{
    if (m_isFetchingIP) {
        m_publicIPRefreshQueued = true;
        return;
    }
    m_isFetchingIP = true;
    refreshPublicIPCard();
    whileAlive(this, m_services.ipService.fetchPublicIP(),
               [this](const std::optional<PublicIPInfo>& info) { finishPublicIPLookup(info); });
}

void DashboardView::finishPublicIPLookup(const std::optional<PublicIPInfo>& info)
{
    m_publicIP = info;
    m_isFetchingIP = false;
    if (m_publicIPRefreshQueued) {
        m_publicIPRefreshQueued = false;
        refreshPublicIP();
    }
    refreshPublicIPCard();
}

void DashboardView::onStateChanged()
{
    refreshConnectionState();
    const auto state = m_services.connection.state();
    if (state == m_lastState)
        return;
    m_lastState = state;
    refreshPublicIP();
}

void DashboardView::refreshConnectionState()
{
    const bool connected = m_services.connection.state() == ConnectionState::connected;
    m_connectionCard->refresh();
    m_detailsCard->setVisible(connected);
    m_detailsCard->refresh();
    m_trafficCard->refreshTotals();
    m_trafficCard->refreshGraph();
    refreshPublicIPCard();
}

void DashboardView::refreshPublicIPCard()
{
    m_publicIPCard->display(m_publicIP, m_isFetchingIP, m_services.connection.state() == ConnectionState::connected);
}

void DashboardView::scheduleAppStateRefresh()
{
    if (m_appStateRefreshPending)
        return;
    m_appStateRefreshPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_appStateRefreshPending = false;
            refreshAppStateCards();
        },
        Qt::QueuedConnection);
}

void DashboardView::refreshAppStateCards()
{
    m_connectionCard->refresh();
    m_subscriptionCard->setVisible(m_services.appState.isLoggedIn());
    m_subscriptionCard->refresh();
    m_favoritesCard->refresh();
    m_recentCard->refresh();
    m_inviteCard->refresh();
    m_nodeCard->refresh();
}
