#include "menu_bar_view.h"

#include "app/app_state.h"
#include "app/connection_actions.h"
#include "connection/vpn_connection.h"
#include "node_picker.h"
#include "platform/language_manager.h"
#include "platform/text_table.h"
#include "popover_controls.h"
#include "popover_rules.h"
#include "popover_status.h"
#include "ui/common/divider.h"
#include "ui/common/row_button.h"
#include "ui/common/search_field.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"
#include "ui/dashboard/block_notice.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

// The widget across the column, `inset` pixels in from both sides.
void addInset(QVBoxLayout* column, QWidget* widget, int inset)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(inset, 0, inset, 0);
    row->addWidget(widget);
    column->addLayout(row);
}

} // namespace

MenuBarView::MenuBarView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("menuBarView"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    buildContent();

    auto& vpn = m_services.connection;
    for (auto signal :
         {&VpnConnection::stateChanged, &VpnConnection::connectedNodeChanged, &VpnConnection::connectionDurationChanged,
          &VpnConnection::trafficSpeedDownChanged, &VpnConnection::trafficSpeedUpChanged,
          &VpnConnection::trafficDownChanged, &VpnConnection::trafficUpChanged})
        connect(&vpn, signal, this, &MenuBarView::refreshConnection);
    // The whole-object change comes before the value is stored: read it once the event loop turns.
    connect(&m_services.appState, &AppState::objectWillChange, this, [this] {
        if (m_nodesRefreshQueued)
            return;
        m_nodesRefreshQueued = true;
        QMetaObject::invokeMethod(this, &MenuBarView::refreshNodes, Qt::QueuedConnection);
    });
    // The texts follow the interface language: the content is made again, keeping the search.
    connect(&m_services.languageManager, &LanguageManager::currentLanguageChanged, this, &MenuBarView::retranslate,
            Qt::QueuedConnection);
    refreshNodes();
    refreshConnection();
}

void MenuBarView::retranslate()
{
    const QString search = m_picker->searchField()->text();
    layout()->removeWidget(m_content);
    m_content->hide();
    m_content->deleteLater();
    m_recentRows.clear();
    m_recentFaces.clear();
    buildContent();
    m_picker->searchField()->setText(search);
    refreshNodes();
    refreshConnection();
}

void MenuBarView::buildContent()
{
    m_content = new QWidget(this);
    layout()->addWidget(m_content);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(10, 0, 10, 6);
    column->setSpacing(0);

    m_quickConnect = new QuickConnectButton(m_content);
    connect(m_quickConnect, &QAbstractButton::clicked, this, &MenuBarView::toggleMainConnection);
    column->addSpacing(12);
    addInset(column, m_quickConnect, 12);
    column->addSpacing(4);

    m_modeRow = new PopoverModeRow(m_services.connection, m_content);
    column->addWidget(m_modeRow);
    addInset(column, new Divider(m_content), 12);
    column->addSpacing(4);

    m_statusCard = new PopoverStatusCard(m_content);
    column->addWidget(m_statusCard);
    auto* blockNotice = new BlockNotice(m_services.connection, m_content);
    // Apart from the recent nodes' heading below; hidden, it takes no room.
    blockNotice->setContentsMargins(0, 0, 0, 8);
    addInset(column, blockNotice, 12);

    m_recentSection = new QWidget(m_content);
    auto* recent = new QVBoxLayout(m_recentSection);
    recent->setContentsMargins(0, 0, 0, 0);
    recent->setSpacing(0);
    auto* heading
        = new SymbolLabel(QStringLiteral("clock.arrow.circlepath"), i18n::tr(QStringLiteral("最近使用")).toUpper(),
                          TextStyle::Caption, TextColor::Secondary, m_recentSection);
    heading->setContentsMargins(16, 0, 16, 2);
    recent->addWidget(heading);
    m_recentRowsLayout = new QVBoxLayout;
    m_recentRowsLayout->setSpacing(0);
    recent->addLayout(m_recentRowsLayout);
    recent->addSpacing(6);
    addInset(recent, new Divider(m_recentSection), 12);
    column->addWidget(m_recentSection);
    column->addSpacing(6);

    m_picker = new NodePicker(m_content);
    connect(m_picker, &NodePicker::nodeTapped, this, &MenuBarView::toggleConnection);
    connect(m_picker, &NodePicker::refreshRequested, this, [this] { m_services.appState.loadNodes(); });
    column->addWidget(m_picker, 1);

    addInset(column, new Divider(m_content), 12);
    column->addSpacing(2);
    m_quickSettings
        = new PopoverQuickSettings(m_services.connection, m_services.settings, m_services.loginItem, m_content);
    connect(m_quickSettings, &PopoverQuickSettings::openMainWindowRequested, this, &MenuBarView::showMainWindow);
    connect(m_quickSettings, &PopoverQuickSettings::quitRequested, this, &MenuBarView::askToQuit);
    column->addWidget(m_quickSettings);
}

bool MenuBarView::isActive(const Node& node) const { return activeId() == node.id; }

std::optional<qint64> MenuBarView::activeId() const
{
    const auto& vpn = m_services.connection;
    if (vpn.state() != ConnectionState::connected || !vpn.connectedNode())
        return std::nullopt;
    return vpn.connectedNode()->id;
}

void MenuBarView::refreshConnection()
{
    const auto& vpn = m_services.connection;
    m_quickConnect->refresh(vpn);
    m_statusCard->refresh(vpn);
    m_picker->setActive(activeId());
    rebuildRecent();
}

void MenuBarView::refreshNodes()
{
    m_nodesRefreshQueued = false;
    m_picker->refresh(m_services.appState.nodes(), activeId());
    rebuildRecent();
}

void MenuBarView::rebuildRecent()
{
    const auto nodes = PopoverRules::recentOnline(m_services.appState.recentNodes(), recentLimit);
    m_recentSection->setVisible(!nodes.isEmpty());
    // The connection's figures change every second: the rows are made again only when what they
    // show changes.
    QStringList faces;
    for (const auto& node : nodes)
        faces << QString::number(node.id) + QLatin1Char(':') + node.name
                + (isActive(node) ? QStringLiteral(":active") : QString());
    if (faces == m_recentFaces)
        return;
    m_recentFaces = faces;
    // A row may be the sender of this change (its tap): it leaves the layout now and is deleted
    // once the event loop turns.
    for (auto* row : std::as_const(m_recentRows)) {
        m_recentRowsLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_recentRows.clear();
    for (const auto& node : nodes) {
        auto* row = new RowButton(Button::Style::Plain, m_recentSection);
        row->row()->setContentsMargins(16, 4, 16, 4);
        row->addPart(new SymbolView(QStringLiteral("clock"), 11, TextColor::Gray, row), 0, Qt::AlignVCenter);
        row->addPart(makeOneLineLabel(node.name, TextStyle::Subheadline, TextColor::Primary, row), 0, Qt::AlignVCenter);
        row->addStretch();
        if (isActive(node))
            row->addPart(new SymbolView(QStringLiteral("checkmark.circle.fill"), 12, TextColor::Green, row), 0,
                         Qt::AlignVCenter);
        connect(row, &QPushButton::clicked, this, [this, node] { toggleConnection(node); });
        m_recentRowsLayout->addWidget(row);
        m_recentRows.append(row);
    }
}

void MenuBarView::toggleMainConnection()
{
    auto& vpn = m_services.connection;
    if (vpn.state() == ConnectionState::connected) {
        m_services.connection.disconnect();
        return;
    }
    if (!m_services.appState.isLoggedIn()) {
        showMainWindow();
        return;
    }
    if (const auto node
        = PopoverRules::quickConnectNode(m_services.appState.recentNodes(), m_services.appState.nodes()))
        connectAndForget(m_services.connection, *node);
}

void MenuBarView::toggleConnection(const Node& node)
{
    if (!m_services.appState.isLoggedIn())
        return;
    if (isActive(node)) {
        m_services.connection.disconnect();
        return;
    }
    // The node as the list holds it now: a reload may have changed its address or password.
    const auto& nodes = m_services.appState.nodes();
    const auto latest = std::find(nodes.cbegin(), nodes.cend(), node);
    connectAndForget(m_services.connection, latest != nodes.cend() ? *latest : node);
}

void MenuBarView::showMainWindow()
{
    // The main window by its kind: the sign-in sheet and the update alert carry its title too.
    QWidget* found = nullptr;
    const auto windows = QApplication::topLevelWidgets();
    for (auto* window : windows) {
        if (qobject_cast<QMainWindow*>(window) && window != this->window()) {
            found = window;
            break;
        }
    }
    if (!found)
        return;
    if (auto* popover = window(); popover != this)
        popover->close();
    found->setWindowState(found->windowState() & ~Qt::WindowMinimized);
    found->show();
    found->raise();
    found->activateWindow();
}

void MenuBarView::askToQuit()
{
    if (m_quitConfirm)
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, i18n::tr(QStringLiteral("确认退出")),
                                i18n::tr(QStringLiteral("退出将断开 VPN 连接")), QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto* quit = box->addButton(i18n::tr(QStringLiteral("退出")), QMessageBox::DestructiveRole);
    box->addButton(i18n::tr(QStringLiteral("取消")), QMessageBox::RejectRole);
    connect(quit, &QAbstractButton::clicked, this, &MenuBarView::quitApp);
    m_quitConfirm = box;
    box->open();
}

void MenuBarView::quitApp()
{
    auto& vpn = m_services.connection;
    if (vpn.state() == ConnectionState::connected)
        m_services.connection.disconnect();
    vpn.stopTimers();
    m_services.quit();
}
