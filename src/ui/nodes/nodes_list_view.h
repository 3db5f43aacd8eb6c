#pragma once

#include "latency_test.h"
#include "node_list_rules.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class AppState;
class Button;
class NodeListDelegate;
class NodeListModel;
class QLabel;
class QListView;
class SearchField;
class Spinner;
class SpinnerAnimation;
class TextLabel;
class VpnConnection;

// The node list, tab 1 of the main window: every node of the service in one searchable list,
// favourites first, the online nodes by region, the offline nodes last; a latency test of all
// online nodes at once whose results re-sort the list as they arrive; and, for the selected node,
// a bar that connects to it or disconnects from it. One model and one delegate paint the lines,
// so a list of a thousand nodes stays quick.
class NodesListView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppState& appState;
        VpnConnection& connection;
        LatencyProbe probe;
    };

    explicit NodesListView(Services services, QWidget* parent = nullptr);
    ~NodesListView() override;

    // The latency test of every online node of the list; does nothing while one runs.
    void startPingAll();
    // Connects to the node (its latest values in the list), or disconnects when it is the
    // connected one.
    void toggleConnection(const Node& node);

    bool isPinging() const { return m_isPinging; }
    const NodeListRules::ProbeResults& nodePings() const { return m_nodePings; }
    const std::optional<Node>& connectingNode() const { return m_connectingNode; }
    // The selected nodes in the order they were selected; the bottom bar shows the first.
    const QList<Node>& selectedNodes() const { return m_selectedNodes; }
    bool isConnected(const Node& node) const;

    NodeListModel* model() const { return m_model; }
    QListView* list() const { return m_list; }
    SearchField* searchField() const { return m_search; }
    QLabel* countLabel() const { return m_count; }
    QWidget* testingIndicator() const { return m_testing; }
    Button* testButton() const { return m_testButton; }
    Button* refreshButton() const { return m_refreshButton; }
    QWidget* bottomBar() const { return m_bottomBar; }
    TextLabel* bottomBarName() const { return m_selectedName; }
    QWidget* bottomBarProgress() const { return m_connectingIndicator; }
    Button* bottomBarButton() const { return m_connectButton; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void scheduleRebuild();
    void restoreSelection();
    void onSelectionChanged();
    void refreshConnection();
    void refreshBottomBar();
    void refreshInfoBar();
    void onProbeResult(qint64 nodeId, std::optional<qint64> milliseconds);
    void showContextMenu(const QPoint& position);
    // The connect to the node `nodeId` has ended, however it ended.
    void settleConnecting(qint64 nodeId);
    // The node the connection manager is connected to; none while connecting or disconnecting.
    std::optional<qint64> connectedId() const;
    // The node as the list holds it now: a reload may have changed its host, port or password.
    Node latest(const Node& node) const;

    Services m_services;
    QList<Node> m_selectedNodes;
    bool m_isPinging = false;
    NodeListRules::ProbeResults m_nodePings;
    std::optional<Node> m_connectingNode;
    bool m_restoringSelection = false;
    // Gathers the changes of one moment (a burst of latency results, a store of favourites)
    // into one rebuild.
    QTimer m_rebuildTimer;

    LatencyTest* m_latencyTest;
    NodeListModel* m_model;
    SpinnerAnimation* m_spinner;
    NodeListDelegate* m_delegate;
    QListView* m_list;
    SearchField* m_search;
    QLabel* m_count;
    QWidget* m_testing;
    Button* m_testButton;
    Button* m_refreshButton;
    QWidget* m_bottomBar;
    TextLabel* m_selectedName;
    QWidget* m_connectingIndicator;
    Button* m_connectButton;
};
