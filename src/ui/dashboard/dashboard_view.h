#pragma once

#include "api/records/connection_state.h"
#include "api/records/node.h"
#include "app/public_ip_info.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AppState;
class ConnectionCard;
class ConnectionDetailsCard;
class ConnectionLogCard;
class FavoritesCard;
class IPInfoService;
class InviteCard;
class NodeRowsCard;
class PublicIPCard;
class QMessageBox;
class StartupRules;
class SubscriptionCard;
class TrafficCard;
class VpnConnection;

// The connection dashboard, tab 0 of the main window: one scrolling column of cards with the
// connection state and its button, the connection's details and traffic, the public address,
// the plan, favourite, recent and listed nodes, the invitation and the connection log. It reads
// everything live from the connection manager and the application state.
class DashboardView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        VpnConnection& connection;
        AppState& appState;
        IPInfoService& ipService;
        // Picks the fastest node on its own while the dashboard shows.
        StartupRules& startup;
    };

    explicit DashboardView(Services services, QWidget* parent = nullptr);

    const std::optional<PublicIPInfo>& publicIP() const { return m_publicIP; }
    bool isFetchingIP() const { return m_isFetchingIP; }
    const std::optional<QString>& connectError() const { return m_connectError; }
    bool showConnectError() const { return m_showConnectError; }
    QMessageBox* connectAlert() const;

    ConnectionCard* connectionCard() const { return m_connectionCard; }
    ConnectionDetailsCard* detailsCard() const { return m_detailsCard; }
    TrafficCard* trafficCard() const { return m_trafficCard; }
    PublicIPCard* publicIPCard() const { return m_publicIPCard; }
    SubscriptionCard* subscriptionCard() const { return m_subscriptionCard; }
    FavoritesCard* favoritesCard() const { return m_favoritesCard; }
    NodeRowsCard* recentCard() const { return m_recentCard; }
    InviteCard* inviteCard() const { return m_inviteCard; }
    NodeRowsCard* nodeCard() const { return m_nodeCard; }
    ConnectionLogCard* logCard() const { return m_logCard; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The connect button: disconnects a live connection, else connects to the first online node.
    void toggleConnection();
    // A node card's row: connects to that node, switching from another one.
    void toggleConnection(const Node& node);
    // Looks the public address up; asked while a lookup runs, it looks again once that one ends,
    // so the address shown after a connect is the one seen through the new route.
    void refreshPublicIP();
    void finishPublicIPLookup(const std::optional<PublicIPInfo>& info);
    void presentConnectError();

    void onStateChanged();
    void scheduleAppStateRefresh();
    void refreshAppStateCards();
    void refreshConnectionState();
    void refreshPublicIPCard();

    Services m_services;
    // The connection manager announces every assignment of its state; a lookup follows a change.
    ConnectionState m_lastState;
    std::optional<QString> m_connectError;
    bool m_showConnectError = false;
    std::optional<PublicIPInfo> m_publicIP;
    bool m_isFetchingIP = false;
    bool m_publicIPRefreshQueued = false;
    bool m_appStateRefreshPending = false;
    QPointer<QMessageBox> m_connectAlert;

    ConnectionCard* m_connectionCard;
    ConnectionDetailsCard* m_detailsCard;
    TrafficCard* m_trafficCard;
    PublicIPCard* m_publicIPCard;
    SubscriptionCard* m_subscriptionCard;
    FavoritesCard* m_favoritesCard;
    NodeRowsCard* m_recentCard;
    InviteCard* m_inviteCard;
    NodeRowsCard* m_nodeCard;
    ConnectionLogCard* m_logCard;
};
