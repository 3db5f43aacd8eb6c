#include "server_dashboard_view.h"

#include "api/api_service.h"
#include "inbound_row.h"
#include "platform/count_text.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "server_card.h"
#include "status_grid.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/failure_description.h"
#include "ui/common/icon_button.h"
#include "ui/common/modern_card.h"
#include "ui/common/scroll_column.h"
#include "ui/common/spinner.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int tileMinimumWidth = 160;
constexpr int gridSpacing = 16;

struct DashboardData {
    std::optional<ServerStatusData> status;
    QList<InboundInfo> inbounds;
    QMap<QString, qint64> connections;
};

// The three calls run at once and are awaited in order: the first failure in that order is the
// refresh's failure, and nothing of the others is used.
QCoro::Task<DashboardData> fetchDashboard(ApiService* api)
{
    auto status = api->fetchServerStatus();
    auto inbounds = api->fetchServerInbounds();
    auto connections = api->fetchServerConnections();
    DashboardData data;
    data.status = (co_await std::move(status)).data;
    data.inbounds = co_await std::move(inbounds);
    data.connections = (co_await std::move(connections)).data.value_or(QMap<QString, qint64>());
    co_return data;
}

QWidget* block(int minimumHeight, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setMinimumHeight(minimumHeight);
    auto* column = new QVBoxLayout(widget);
    column->setSpacing(Spacing::l);
    column->addStretch();
    return widget;
}

} // namespace

QList<QPair<QString, qint64>> ServerDashboardView::portRows(const QMap<QString, qint64>& connections)
{
    QList<QPair<QString, qint64>> rows;
    for (auto it = connections.cbegin(); it != connections.cend(); ++it) {
        if (it.key() != QLatin1String("total"))
            rows.append({it.key(), it.value()});
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.first.toUcs4() < b.first.toUcs4(); });
    return rows;
}

ServerDashboardView::ServerDashboardView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_refreshTimer(m_services.makeTimer(this))
{
    setObjectName(QStringLiteral("serverDashboard"));
    setWindowTitle(i18n::tr(QStringLiteral("服务器")));
    connect(m_refreshTimer, &ScreenTimer::timeout, this, &ServerDashboardView::refresh);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    makeSeeThrough(scroll);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("dashboardContent"));
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    m_column->setSpacing(Spacing::xl);
    setSeeThroughWidget(scroll, content);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, Spacing::xs);
    auto* title = new SymbolLabel(QStringLiteral("server.rack"), i18n::tr(QStringLiteral("服务器状态")),
                                  TextStyle::Title2, TextColor::Primary, content);
    title->textLabel()->setFont(Theme::of(this).font(TextStyle::Title2, QFont::Bold));
    header->addWidget(title);
    header->addStretch();
    m_refreshButton = new IconButton(QStringLiteral("arrow.clockwise"), 16, content);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    connect(m_refreshButton, &QToolButton::clicked, this, &ServerDashboardView::refresh);
    header->addWidget(m_refreshButton);
    m_column->addLayout(header);

    m_loadingBlock = block(200, content);
    m_loadingBlock->setObjectName(QStringLiteral("loadingBlock"));
    auto* loading = static_cast<QVBoxLayout*>(m_loadingBlock->layout());
    loading->addWidget(new Spinner(24, m_loadingBlock), 0, Qt::AlignHCenter);
    auto* loadingText
        = makeLabel(i18n::tr(QStringLiteral("加载中...")), TextStyle::Body, TextColor::Secondary, m_loadingBlock);
    loadingText->setAlignment(Qt::AlignCenter);
    loading->addWidget(loadingText);
    loading->addStretch();
    m_column->addWidget(m_loadingBlock);

    m_errorBlock = block(250, content);
    m_errorBlock->setObjectName(QStringLiteral("errorBlock"));
    auto* error = static_cast<QVBoxLayout*>(m_errorBlock->layout());
    error->addWidget(
        new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 40, TextColor::Orange, m_errorBlock), 0,
        Qt::AlignHCenter);
    auto* unavailable = makeLabel(i18n::tr(QStringLiteral("服务器状态不可用")), TextStyle::Headline, TextColor::Primary,
                                  m_errorBlock);
    unavailable->setAlignment(Qt::AlignCenter);
    error->addWidget(unavailable);
    m_errorText = makeWrappedLabel(QString(), TextStyle::Caption, TextColor::Secondary, m_errorBlock);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setAlignment(Qt::AlignCenter);
    error->addWidget(m_errorText);
    auto* retry = new Button(i18n::tr(QStringLiteral("重试")), Button::Style::Prominent, m_errorBlock);
    retry->setObjectName(QStringLiteral("retryButton"));
    connect(retry, &QPushButton::clicked, this, &ServerDashboardView::refresh);
    error->addWidget(retry, 0, Qt::AlignHCenter);
    error->addStretch();
    m_column->addWidget(m_errorBlock);
    m_column->addStretch();
    refreshState();
}

void ServerDashboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        refresh();
}

void ServerDashboardView::hideEvent(QHideEvent* event)
{
    // Another tab or a closed window stops the refresh; a minimised window keeps it going.
    if (!event->spontaneous())
        m_refreshTimer->stop();
    QWidget::hideEvent(event);
}

void ServerDashboardView::refresh()
{
    m_isLoading = true;
    m_errorMessage.reset();
    // The next refresh is due one period after this one starts, however this one ends.
    m_refreshTimer->start(refreshInterval, false);
    refreshState();
    whileAlive(
        this, fetchDashboard(&m_services.api),
        [this](const DashboardData& data) {
            m_status = data.status;
            m_inbounds = data.inbounds;
            m_connections = data.connections;
            rebuildData();
            finishLoad();
        },
        [this](const std::exception& failure) {
            m_errorMessage = failureDescription(failure);
            finishLoad();
        });
}

void ServerDashboardView::finishLoad()
{
    m_isLoading = false;
    refreshState();
}

void ServerDashboardView::refreshState()
{
    m_loadingBlock->setVisible(m_isLoading);
    m_errorBlock->setVisible(!m_isLoading && m_errorMessage.has_value());
    m_errorText->setText(m_errorMessage.value_or(QString()));
    if (m_data)
        m_data->setVisible(!m_isLoading && !m_errorMessage);
}

void ServerDashboardView::rebuildData()
{
    if (m_data) {
        m_column->removeWidget(m_data);
        m_data->hide();
        m_data->deleteLater();
    }
    auto* parent = m_column->parentWidget();
    m_data = new QWidget(parent);
    m_data->setObjectName(QStringLiteral("dashboardData"));
    auto* column = new QVBoxLayout(m_data);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Spacing::xl);
    column->addWidget(statusGrid(m_data));
    column->addWidget(inboundsSection(m_data));
    column->addWidget(connectionsSection(m_data));
    // After the header, the loading and the error block.
    m_column->insertWidget(3, m_data);
}

QWidget* ServerDashboardView::statusGrid(QWidget* parent)
{
    auto* grid = new StatusGrid(tileMinimumWidth, gridSpacing, parent);
    grid->setObjectName(QStringLiteral("statusGrid"));
    for (const auto& tile : ServerCard::statusTiles(m_status))
        grid->addTile(new ServerCard(tile, grid));
    return grid;
}

QWidget* ServerDashboardView::inboundsSection(QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, Spacing::m, parent);
    card->setObjectName(QStringLiteral("inboundsCard"));
    auto* header = new QHBoxLayout;
    header->addWidget(new SymbolLabel(QStringLiteral("list.bullet.rectangle"), i18n::tr(QStringLiteral("入站配置")),
                                      TextStyle::Headline, TextColor::Primary, card));
    header->addStretch();
    auto* count = makeLabel(i18n::countText(QStringLiteral("%d 个入站"), m_inbounds.size()), TextStyle::Caption,
                            TextColor::Secondary, card);
    count->setObjectName(QStringLiteral("inboundCount"));
    header->addWidget(count);
    card->addWideRow(header);
    if (m_inbounds.isEmpty()) {
        auto* none = makeLabel(i18n::tr(QStringLiteral("无可用节点")), TextStyle::Body, TextColor::Secondary, card);
        none->setObjectName(QStringLiteral("noInbounds"));
        none->setAlignment(Qt::AlignCenter);
        none->setContentsMargins(0, Spacing::xl, 0, Spacing::xl);
        card->addWideRow(none);
    }
    for (const auto& inbound : m_inbounds)
        card->addWideRow(new InboundRow(inbound, card));
    return card;
}

QWidget* ServerDashboardView::connectionsSection(QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, Spacing::m, parent);
    card->setObjectName(QStringLiteral("connectionsCard"));
    card->addWideRow(new SymbolLabel(QStringLiteral("antenna.radiowaves.left.and.right"),
                                     i18n::tr(QStringLiteral("在线连接")), TextStyle::Headline, TextColor::Primary,
                                     card));
    auto* totalRow = new QHBoxLayout;
    totalRow->addWidget(
        makeLabel(i18n::tr(QStringLiteral("当前活跃连接数")), TextStyle::Body, TextColor::Secondary, card));
    totalRow->addStretch();
    const qint64 total = m_connections.value(QStringLiteral("total"), 0);
    auto* totalLabel = makeLabel(QString::number(total), TextStyle::Title, QFont::Bold,
                                 total >= 1 ? TextColor::Green : TextColor::Secondary, card);
    totalLabel->setObjectName(QStringLiteral("totalConnections"));
    totalRow->addWidget(totalLabel);
    card->addWideRow(totalRow);
    if (m_connections.isEmpty())
        return card;
    card->addWideRow(new Divider(card));
    for (const auto& [port, count] : portRows(m_connections)) {
        auto* row = new QWidget(card);
        row->setObjectName(QStringLiteral("portRow"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        // The port is the server's key, any text: it gives way to the count.
        line->addWidget(makeOneLineLabel(i18n::tr(QStringLiteral("端口")) + QLatin1Char(' ') + port, TextStyle::Caption,
                                         TextColor::Primary, row));
        line->addStretch();
        auto* value = makeLabel(QString::number(count), TextStyle::Caption, TextColor::Primary, row);
        line->addWidget(value);
        card->addWideRow(row);
    }
    return card;
}
