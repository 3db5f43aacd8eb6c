#pragma once

#include "ui/common/modern_card.h"

class AppState;
class BlockNotice;
class ProxyInfoView;
class QLabel;
class RowButton;
class StatusDot;
class SymbolLabel;
class VpnConnection;

// The first card of the dashboard: the state as a coloured disc and text, the connected node with
// its latency, the connect/disconnect button, the sign-in warning, the notice that non-VPN traffic
// is blocked while the kill switch's rules hold and, while the local proxy runs, the proxy panel. The button only asks;
// the dashboard decides what it does.
class ConnectionCard : public ModernCard {
    Q_OBJECT
public:
    ConnectionCard(VpnConnection& connection, AppState& appState, QWidget* parent = nullptr);

    // Reads the engine's and the application's state again.
    void refresh();

    RowButton* connectButton() const { return m_button; }
    QLabel* stateText() const { return m_stateText; }
    QLabel* buttonText() const { return m_buttonText; }
    QWidget* nodeRow() const { return m_nodeRow; }
    QLabel* nodeName() const { return m_nodeName; }
    QWidget* latencyRow() const { return m_latencyRow; }
    QLabel* latencyText() const { return m_latencyText; }
    SymbolLabel* signInWarning() const { return m_signInWarning; }
    BlockNotice* blockNotice() const { return m_blockNotice; }
    ProxyInfoView* proxyInfo() const { return m_proxyInfo; }

signals:
    void toggleRequested();

private:
    class StatusDisc;
    class ButtonDot;

    VpnConnection& m_connection;
    AppState& m_appState;
    StatusDisc* m_disc;
    QLabel* m_stateText;
    QWidget* m_nodeRow;
    QLabel* m_flag;
    QLabel* m_nodeName;
    QWidget* m_latencyRow;
    StatusDot* m_latencyDot;
    QLabel* m_latencyText;
    RowButton* m_button;
    ButtonDot* m_buttonDot;
    QLabel* m_buttonText;
    SymbolLabel* m_signInWarning;
    BlockNotice* m_blockNotice;
    ProxyInfoView* m_proxyInfo;
};
