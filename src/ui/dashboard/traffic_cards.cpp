#include "traffic_cards.h"

#include "connection/vpn_connection.h"
#include "dashboard_style.h"
#include "platform/text_table.h"
#include "speed_graph_view.h"
#include "ui/common/divider.h"
#include "ui/common/number_formats.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// One row of the details: the label on the left, the value on the right; returns the value.
QLabel* addDetailRow(QGridLayout* grid, const QString& label, QWidget* parent)
{
    const int row = grid->rowCount();
    grid->addWidget(makeLabel(label, TextStyle::Caption, TextColor::Secondary, parent), row, 0);
    auto* value = makeOneLineLabel(QString(), TextStyle::Caption, TextColor::Primary, parent);
    value->setFont(Theme::of(value).monospacedDigitFont(TextStyle::Caption));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(value, row, 1);
    return value;
}

SymbolLabel* totalLabel(const QString& symbol, TextColor color, QWidget* parent)
{
    auto* label = new SymbolLabel(symbol, QString(), TextStyle::Caption, color, parent);
    label->textLabel()->setFont(Theme::of(label).monospacedDigitFont(TextStyle::Caption));
    return label;
}

// A centred column of the traffic card: symbol, total, name; returns the total's label.
QLabel* addTrafficItem(QHBoxLayout* row, const QString& symbol, TextColor color, const QString& name, QWidget* parent)
{
    auto* item = new QWidget(parent);
    auto* column = new QVBoxLayout(item);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(new SymbolView(symbol, 20, color, item), 0, Qt::AlignHCenter);
    auto* total = makeLabel(QString(), TextStyle::Body, QFont::Medium, TextColor::Primary, item);
    QFont font = Theme::of(total).monospacedDigitFont(TextStyle::Body);
    font.setWeight(QFont::Medium);
    total->setFont(font);
    column->addWidget(total, 0, Qt::AlignHCenter);
    column->addWidget(makeLabel(name, TextStyle::Caption2, TextColor::Secondary, item), 0, Qt::AlignHCenter);
    row->addWidget(item);
    return total;
}

} // namespace

ConnectionDetailsCard::ConnectionDetailsCard(VpnConnection& connection, QWidget* parent)
    : ModernCard(Qt::AlignLeft, 14, parent)
    , m_connection(connection)
{
    addWideRow(new SymbolLabel(QStringLiteral("info.circle.fill"), i18n::tr(QStringLiteral("连接详情")),
                               TextStyle::Headline, TextColor::Accent, this));

    m_nodeRows = new QWidget(this);
    auto* column = new QVBoxLayout(m_nodeRows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(14);
    grid->setColumnStretch(1, 1);
    m_protocol = addDetailRow(grid, i18n::tr(QStringLiteral("协议")), m_nodeRows);
    m_server = addDetailRow(grid, i18n::tr(QStringLiteral("服务器")), m_nodeRows);
    m_place = addDetailRow(grid, i18n::tr(QStringLiteral("位置")), m_nodeRows);
    m_duration = addDetailRow(grid, i18n::tr(QStringLiteral("连接时长")), m_nodeRows);
    column->addLayout(grid);
    // The latency row comes and goes with the node's delay, so it is a widget of its own.
    m_latencyRow = new QWidget(m_nodeRows);
    auto* latencyGrid = new QGridLayout(m_latencyRow);
    latencyGrid->setContentsMargins(0, 0, 0, 0);
    latencyGrid->setColumnStretch(1, 1);
    m_latency = addDetailRow(latencyGrid, i18n::tr(QStringLiteral("延迟")), m_latencyRow);
    column->addWidget(m_latencyRow);
    auto* socksGrid = new QGridLayout;
    socksGrid->setColumnStretch(1, 1);
    addDetailRow(socksGrid, i18n::tr(QStringLiteral("SOCKS5")), m_nodeRows)
        ->setText(QStringLiteral("127.0.0.1:") + QString::number(VpnConnection::proxyPort));
    column->addLayout(socksGrid);
    column->addWidget(new Divider(m_nodeRows));

    auto* totals = new QHBoxLayout;
    totals->addWidget(
        makeLabel(i18n::tr(QStringLiteral("总流量")), TextStyle::Caption, TextColor::Secondary, m_nodeRows));
    totals->addStretch();
    m_totalDown = totalLabel(QStringLiteral("arrow.down"), TextColor::Blue, m_nodeRows);
    m_totalUp = totalLabel(QStringLiteral("arrow.up"), TextColor::Orange, m_nodeRows);
    totals->addWidget(m_totalDown);
    totals->addWidget(m_totalUp);
    column->addLayout(totals);
    addWideRow(m_nodeRows);

    refresh();
}

void ConnectionDetailsCard::refresh()
{
    const auto node = m_connection.connectedNode();
    m_nodeRows->setVisible(node.has_value());
    if (!node)
        return;
    m_protocol->setText(node->method.toUpper());
    m_server->setText(node->server + u':' + QString::number(node->port));
    m_place->setText(node->regionEmoji() + u' ' + node->location.value_or(i18n::tr(QStringLiteral("其他"))));
    m_latencyRow->setVisible(node->delay.has_value());
    if (node->delay) {
        m_latency->setText(QString::number(*node->delay) + QStringLiteral(" ms"));
        setTextColor(m_latency, DashboardStyle::latencyColor(*node->delay));
    }
    refreshDuration();
    refreshTotals();
}

void ConnectionDetailsCard::refreshDuration()
{
    m_duration->setText(VpnConnection::formatDuration(m_connection.connectionDuration()));
}

void ConnectionDetailsCard::refreshTotals()
{
    m_totalDown->setText(NumberFormat::byteCount(m_connection.trafficDown()));
    m_totalUp->setText(NumberFormat::byteCount(m_connection.trafficUp()));
}

TrafficCard::TrafficCard(VpnConnection& connection, QWidget* parent)
    : ModernCard(Qt::AlignHCenter, 12, parent)
    , m_connection(connection)
{
    addWideRow(new SymbolLabel(QStringLiteral("arrow.up.arrow.down"), i18n::tr(QStringLiteral("实时流量")),
                               TextStyle::Headline, TextColor::Primary, this));

    auto* totals = new QWidget(this);
    auto* row = new QHBoxLayout(totals);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(40);
    m_down = addTrafficItem(row, QStringLiteral("arrow.down.circle.fill"), TextColor::Blue,
                            i18n::tr(QStringLiteral("下载")), totals);
    row->addWidget(new Divider(40, totals), 0, Qt::AlignVCenter);
    m_up = addTrafficItem(row, QStringLiteral("arrow.up.circle.fill"), TextColor::Orange,
                          i18n::tr(QStringLiteral("上传")), totals);
    addRow(totals);

    m_graphHolder = new QWidget(this);
    auto* graphColumn = new QVBoxLayout(m_graphHolder);
    graphColumn->setContentsMargins(0, 0, 0, 4);
    m_graph = new SpeedGraphView(m_graphHolder);
    graphColumn->addWidget(m_graph);
    addWideRow(m_graphHolder);

    refreshTotals();
    refreshGraph();
}

void TrafficCard::refreshTotals()
{
    m_down->setText(NumberFormat::byteCount(m_connection.trafficDown()));
    m_up->setText(NumberFormat::byteCount(m_connection.trafficUp()));
}

void TrafficCard::refreshGraph()
{
    const auto down = m_connection.trafficHistoryDown();
    const bool shown = m_connection.state() == ConnectionState::connected && !down.isEmpty();
    m_graphHolder->setVisible(shown);
    if (shown)
        m_graph->setData(down, m_connection.trafficHistoryUp());
}
