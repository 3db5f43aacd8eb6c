#include "nodes_list_view.h"

#include "app/app_state.h"
#include "connection/ping_service.h"
#include "connection/vpn_connection.h"
#include "node_list_delegate.h"
#include "node_list_model.h"
#include "node_list_view_widget.h"
#include "platform/count_text.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/icons.h"
#include "ui/common/search_field.h"
#include "ui/common/spinner.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QVBoxLayout>

using NodeListRules::Line;

namespace {

// A burst of latency results (a thousand probes end within a few moments) is shown at this pace.
constexpr int rebuildPaceMs = 30;

QWidget* makeProgress(const QString& text, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new Spinner(12, box), 0, Qt::AlignVCenter);
    row->addWidget(makeLabel(text, TextStyle::Caption, TextColor::Secondary, box), 0, Qt::AlignVCenter);
    return box;
}

} // namespace

NodesListView::NodesListView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("nodesListView"));
    setWindowTitle(i18n::tr(QStringLiteral("节点列表")));
    m_rebuildTimer.setSingleShot(true);
    m_rebuildTimer.setInterval(rebuildPaceMs);
    connect(&m_rebuildTimer, &QTimer::timeout, this, &NodesListView::rebuild);

    m_latencyTest = new LatencyTest(m_services.probe, this);
    connect(m_latencyTest, &LatencyTest::resultArrived, this, &NodesListView::onProbeResult);
    connect(m_latencyTest, &LatencyTest::finished, this, [this] {
        m_isPinging = false;
        m_rebuildTimer.stop();
        rebuild();
        refreshInfoBar();
    });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* info = new QHBoxLayout;
    info->setContentsMargins(Spacing::m, Spacing::s, Spacing::m, Spacing::s);
    info->setSpacing(Spacing::s);
    m_count = makeLabel(QString(), TextStyle::Body, TextColor::Secondary, this);
    info->addWidget(m_count);
    info->addStretch();
    m_testing = makeProgress(i18n::tr(QStringLiteral("测试中...")), this);
    info->addWidget(m_testing);
    m_testButton = new Button(i18n::tr(QStringLiteral("延迟测试")), Button::Style::Link, this);
    m_testButton->setSymbol(QStringLiteral("wifi"));
    m_testButton->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_testButton, &QPushButton::clicked, this, &NodesListView::startPingAll);
    info->addWidget(m_testButton);
    m_refreshButton = new Button(i18n::tr(QStringLiteral("刷新")), Button::Style::Link, this);
    connect(m_refreshButton, &QPushButton::clicked, this, [this] { m_services.appState.loadNodes(); });
    info->addWidget(m_refreshButton);
    column->addLayout(info);
    column->addWidget(new Divider(this));

    m_search = new SearchField(i18n::tr(QStringLiteral("搜索节点...")), false, this);
    m_search->setContentsMargins(Spacing::m, 6, Spacing::m, 6);
    connect(m_search, &SearchField::textChanged, this, &NodesListView::rebuild);
    column->addWidget(m_search);
    column->addWidget(new Divider(this));

    m_list = new NodeListViewWidget(this);
    m_list->setObjectName(QStringLiteral("nodeList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setMouseTracking(true);
    m_model = new NodeListModel(this);
    m_spinner = new SpinnerAnimation(m_list->viewport());
    m_delegate = new NodeListDelegate(*m_spinner, this);
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &NodesListView::onSelectionChanged);
    connect(m_list, &QWidget::customContextMenuRequested, this, &NodesListView::showContextMenu);
    connect(m_delegate, &NodeListDelegate::favoriteToggled, this,
            [this](qint64 id) { m_services.appState.toggleFavorite(id); });
    column->addWidget(m_list, 1);

    m_bottomBar = new QWidget(this);
    m_bottomBar->setObjectName(QStringLiteral("nodeBottomBar"));
    m_bottomBar->setAutoFillBackground(true);
    auto* bar = new QHBoxLayout(m_bottomBar);
    bar->setContentsMargins(Spacing::m, Spacing::s, Spacing::m, Spacing::s);
    auto* name = new SymbolLabel(QStringLiteral("antenna.radiowaves.left.and.right"), QString(), TextStyle::Body,
                                 TextColor::Primary, m_bottomBar);
    m_selectedName = name->textLabel();
    // The name comes from the service: one line, giving way to the button.
    m_selectedName->setOneLine(true);
    bar->addWidget(name);
    bar->addStretch();
    m_connectingIndicator = makeProgress(i18n::tr(QStringLiteral("连接中...")), m_bottomBar);
    bar->addWidget(m_connectingIndicator);
    m_connectButton = new Button(i18n::tr(QStringLiteral("连接")), Button::Style::Prominent, m_bottomBar);
    m_connectButton->setObjectName(QStringLiteral("nodeConnectButton"));
    connect(m_connectButton, &QPushButton::clicked, this, [this] {
        if (!m_selectedNodes.isEmpty())
            toggleConnection(m_selectedNodes.first());
    });
    bar->addWidget(m_connectButton);
    column->addWidget(m_bottomBar);

    auto& appState = m_services.appState;
    // The whole-object change comes before the value is stored: read it once the event loop
    // turns.
    connect(&appState, &AppState::objectWillChange, this, &NodesListView::scheduleRebuild);
    connect(&appState, &AppState::nodesChanged, this, &NodesListView::scheduleRebuild);
    connect(&m_services.connection, &VpnConnection::stateChanged, this, &NodesListView::refreshConnection);
    connect(&m_services.connection, &VpnConnection::connectedNodeChanged, this, &NodesListView::refreshConnection);
    connect(&Theme::of(this), &Theme::changed, this, [this] {
        QPalette colors = m_bottomBar->palette();
        colors.setColor(QPalette::Window, Theme::of(this).palette().control);
        m_bottomBar->setPalette(colors);
    });
    emit Theme::of(this).changed();

    rebuild();
}

NodesListView::~NodesListView() = default;

void NodesListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_services.appState.loadNodes();
}

std::optional<qint64> NodesListView::connectedId() const
{
    const auto& vpn = m_services.connection;
    if (vpn.state() != ConnectionState::connected || !vpn.connectedNode())
        return std::nullopt;
    return vpn.connectedNode()->id;
}

bool NodesListView::isConnected(const Node& node) const { return connectedId() == node.id; }

void NodesListView::scheduleRebuild()
{
    if (!m_rebuildTimer.isActive())
        m_rebuildTimer.start();
}

void NodesListView::rebuild()
{
    m_rebuildTimer.stop();
    auto& appState = m_services.appState;
    const QString search = m_search->text();
    const auto favorites = appState.favoriteNodeIds();
    const QString otherName = i18n::tr(QStringLiteral("其他"));
    auto lines = NodeListRules::buildLines({appState.nodes(), search, m_nodePings, favorites, otherName});
    const QString emptyMessage = search.isEmpty() ? i18n::tr(QStringLiteral("无可用节点"))
                                                  : i18n::format(i18n::tr(QStringLiteral("未找到 \"%@\"")), search);
    NodeListModel::RowState state{m_nodePings, favorites, connectedId(),
                                  m_connectingNode ? std::optional(m_connectingNode->id) : std::nullopt};
    const int scroll = m_list->verticalScrollBar()->value();
    m_restoringSelection = true;
    m_model->setLines(std::move(lines), std::move(state), emptyMessage);
    restoreSelection();
    m_restoringSelection = false;
    m_list->verticalScrollBar()->setValue(scroll);
    // A reload may have changed what the selected nodes are.
    for (auto& node : m_selectedNodes)
        node = latest(node);
    refreshInfoBar();
    refreshBottomBar();
}

void NodesListView::restoreSelection()
{
    QItemSelection selection;
    for (const auto& node : std::as_const(m_selectedNodes)) {
        if (const auto row = m_model->rowOf(node.id))
            selection.select(m_model->index(*row), m_model->index(*row));
    }
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void NodesListView::onSelectionChanged()
{
    if (m_restoringSelection)
        return;
    QList<Node> now;
    const auto indexes = m_list->selectionModel()->selectedIndexes();
    for (const auto& index : indexes) {
        const Node node = m_model->line(index.row()).node;
        if (!now.contains(node))
            now.append(node);
    }
    // Kept in the order they were first selected.
    QList<Node> ordered;
    for (const auto& node : std::as_const(m_selectedNodes)) {
        if (now.contains(node))
            ordered.append(node);
    }
    for (const auto& node : std::as_const(now)) {
        if (!ordered.contains(node))
            ordered.append(node);
    }
    m_selectedNodes = ordered;
    refreshBottomBar();
}

Node NodesListView::latest(const Node& node) const
{
    const auto& nodes = m_services.appState.nodes();
    const auto found = std::find(nodes.cbegin(), nodes.cend(), node);
    return found != nodes.cend() ? *found : node;
}

void NodesListView::refreshConnection()
{
    m_model->setConnection(connectedId(), m_connectingNode ? std::optional(m_connectingNode->id) : std::nullopt);
    m_spinner->setRunning(m_connectingNode.has_value());
    refreshBottomBar();
}

void NodesListView::refreshInfoBar()
{
    m_count->setText(i18n::countText(QStringLiteral("共 %d 个节点"), m_services.appState.nodes().size()));
    m_testing->setVisible(m_isPinging);
    m_testButton->setEnabled(!m_isPinging);
}

void NodesListView::refreshBottomBar()
{
    m_bottomBar->setVisible(!m_selectedNodes.isEmpty());
    if (m_selectedNodes.isEmpty())
        return;
    const Node& node = m_selectedNodes.first();
    m_selectedName->setText(node.name);
    const bool connecting = m_connectingNode && m_connectingNode->id == node.id;
    m_connectingIndicator->setVisible(connecting);
    m_connectButton->setVisible(!connecting);
    const bool connected = isConnected(node);
    m_connectButton->setText(i18n::tr(connected ? QStringLiteral("断开") : QStringLiteral("连接")));
    m_connectButton->setTint(connected ? TextColor::Red : TextColor::Blue);
}

void NodesListView::toggleConnection(const Node& node)
{
    if (isConnected(node)) {
        m_services.connection.disconnect();
        return;
    }
    const Node target = latest(node);
    m_connectingNode = target;
    refreshConnection();
    // A failure ends the attempt the same way; the connection manager has logged it.
    const auto settle = [this, id = target.id] { settleConnecting(id); };
    whileAlive(this, m_services.connection.connectTo(target), settle, [settle](const std::exception&) { settle(); });
}

void NodesListView::settleConnecting(qint64 nodeId)
{
    if (!m_connectingNode || m_connectingNode->id != nodeId)
        return;
    m_connectingNode.reset();
    refreshConnection();
}

void NodesListView::startPingAll()
{
    if (m_isPinging)
        return;
    m_isPinging = true;
    m_nodePings.clear();
    QList<Node> targets;
    for (const auto& node : m_services.appState.nodes()) {
        if (node.isOnline())
            targets.append(node);
    }
    rebuild();
    m_latencyTest->start(targets, PingService::nodeTimeout);
}

void NodesListView::onProbeResult(qint64 nodeId, std::optional<qint64> milliseconds)
{
    m_nodePings.insert(nodeId, milliseconds);
    scheduleRebuild();
}

void NodesListView::showContextMenu(const QPoint& position)
{
    const auto index = m_list->indexAt(position);
    if (!index.isValid() || m_model->line(index.row()).kind != Line::Kind::node)
        return;
    const qint64 id = m_model->line(index.row()).node.id;
    const bool favorite = m_services.appState.isFavorite(id);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(
        Icons::icon(favorite ? QStringLiteral("star.slash") : QStringLiteral("star"), Theme::of(this).palette().text),
        i18n::tr(favorite ? QStringLiteral("取消收藏") : QStringLiteral("收藏")), this,
        [this, id] { m_services.appState.toggleFavorite(id); });
    menu->popup(m_list->viewport()->mapToGlobal(position));
}
