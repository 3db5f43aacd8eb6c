#pragma once

#include "ui/common/modern_card.h"

class QLabel;
class SpeedGraphView;
class SymbolLabel;
class VpnConnection;

// The card of the running connection: protocol, server, place, time, latency and the local proxy
// address of the connected node, with the traffic totals. The dashboard shows it only while
// connected.
class ConnectionDetailsCard : public ModernCard {
    Q_OBJECT
public:
    explicit ConnectionDetailsCard(VpnConnection& connection, QWidget* parent = nullptr);

    // The node's rows; the duration and the totals follow by their own calls.
    void refresh();
    void refreshDuration();
    void refreshTotals();

    QWidget* nodeRows() const { return m_nodeRows; }
    QLabel* protocol() const { return m_protocol; }
    QLabel* server() const { return m_server; }
    QLabel* place() const { return m_place; }
    QLabel* duration() const { return m_duration; }
    QWidget* latencyRow() const { return m_latencyRow; }
    QLabel* latency() const { return m_latency; }
    SymbolLabel* totalDown() const { return m_totalDown; }
    SymbolLabel* totalUp() const { return m_totalUp; }

private:
    VpnConnection& m_connection;
    QWidget* m_nodeRows;
    QLabel* m_protocol;
    QLabel* m_server;
    QLabel* m_place;
    QLabel* m_duration;
    QWidget* m_latencyRow;
    QLabel* m_latency;
    SymbolLabel* m_totalDown;
    SymbolLabel* m_totalUp;
};

// The card of the connection's byte totals, down and up, with the speed graph while connected.
class TrafficCard : public ModernCard {
    Q_OBJECT
public:
    explicit TrafficCard(VpnConnection& connection, QWidget* parent = nullptr);

    void refreshTotals();
    // Shows the graph while connected with at least one sample, and hands it the samples.
    void refreshGraph();

    QLabel* downloaded() const { return m_down; }
    QLabel* uploaded() const { return m_up; }
    SpeedGraphView* graph() const { return m_graph; }

private:
    VpnConnection& m_connection;
    QLabel* m_down;
    QLabel* m_up;
    QWidget* m_graphHolder;
    SpeedGraphView* m_graph;
};
