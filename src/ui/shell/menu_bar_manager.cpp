#include "menu_bar_manager.h"

#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_format.h"
#include "ui/common/icons.h"
#include "ui/dashboard/block_notice.h"

#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

namespace {
constexpr QSize popoverSize(340, 520);

// A frameless window that closes when the user clicks elsewhere, holding the quick controls.
QWidget* makePopover(QWidget* content)
{
    auto* popover = new QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    popover->setObjectName(QStringLiteral("menuBarPopover"));
    popover->setAttribute(Qt::WA_DeleteOnClose, false);
    popover->setFixedSize(popoverSize);
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(popover);
    layout->addWidget(content);
    return popover;
}

// Below the item when the tray tells where it is, else below the pointer; inside the screen.
QPoint popoverPosition(const QRect& itemGeometry)
{
    const QPoint anchor
        = itemGeometry.isValid() ? QPoint(itemGeometry.center().x(), itemGeometry.bottom()) : QCursor::pos();
    QPoint origin(anchor.x() - popoverSize.width() / 2, anchor.y() + 4);
    if (auto* screen = QGuiApplication::screenAt(anchor)) {
        const QRect area = screen->availableGeometry();
        origin.setX(qBound(area.left(), origin.x(), area.right() - popoverSize.width()));
        if (origin.y() + popoverSize.height() > area.bottom())
            origin.setY(anchor.y() - popoverSize.height() - 4 - (itemGeometry.isValid() ? itemGeometry.height() : 0));
        origin.setY(qMax(area.top(), origin.y()));
    }
    return origin;
}
} // namespace

MenuBarManager::MenuBarManager(Services services, Timings timings, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_timings(timings)
{
    connect(&m_services.connection, &VpnConnection::killSwitchEnabledChanged, this, &MenuBarManager::showToolTip);
    connect(&m_services.connection, &VpnConnection::killSwitchWantedChanged, this, &MenuBarManager::showToolTip);
    connect(&m_services.connection, &VpnConnection::killSwitchNotInForceChanged, this, &MenuBarManager::showToolTip);
    // A new interface language reaches the theme too: the notice is said in it at once, also while
    // no speed refreshes the tooltip.
    connect(&m_services.theme, &Theme::changed, this, &MenuBarManager::showToolTip);
    // Only a stored false hides the item; absent or anything else shows it.
    if (m_services.settings.boolValue(SettingsKeys::showMenuBar) == std::optional(false))
        return;
    setupMenuBar();
}

MenuBarManager::~MenuBarManager() { delete m_popover; }

void MenuBarManager::log(const QString& line) { qInfo().noquote() << line; }

void MenuBarManager::setupMenuBar()
{
    if (m_statusItem)
        return;
    if (m_services.statusAreaAvailable())
        m_statusItem = std::make_unique<QSystemTrayIcon>();
    log(QStringLiteral("[MenuBar] setupMenuBar: statusItem=")
        + (m_statusItem ? QStringLiteral("created") : QStringLiteral("FAILED")));
    if (m_statusItem) {
        m_symbol = QStringLiteral("shield.fill");
        m_tint.reset();
        m_accessibilityText = QStringLiteral("Velmorand");
        m_title.clear();
        applyIcon();
        connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    // Both buttons open the popover.
                    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                        togglePopover();
                });
        m_statusItem->show();
    }
    delete m_popover;
    m_popover = makePopover(m_services.makePopoverContent());
    log(QStringLiteral("[MenuBar] setupMenuBar: popover ready, controller=(%1.0, %2.0)")
            .arg(m_popover->width())
            .arg(m_popover->height()));
}

void MenuBarManager::removeMenuBar()
{
    log(QStringLiteral("[MenuBar] removeMenuBar called"));
    m_trafficTimer.reset();
    m_statusItem.reset();
    delete m_popover;
}

void MenuBarManager::togglePopover()
{
    if (!m_popover || !m_statusItem) {
        log(QStringLiteral("[MenuBar] togglePopover FAILED: popover=")
            + (m_popover ? QStringLiteral("true") : QStringLiteral("false")) + QStringLiteral(", button=")
            + (m_statusItem ? QStringLiteral("true") : QStringLiteral("false")));
        return;
    }
    const bool shown = m_popover->isVisible();
    log(QStringLiteral("[MenuBar] togglePopover: shown=") + (shown ? QStringLiteral("true") : QStringLiteral("false")));
    if (shown) {
        m_popover->close();
        return;
    }
    m_popover->move(popoverPosition(m_statusItem->geometry()));
    m_popover->show();
    m_popover->activateWindow();
}

void MenuBarManager::updateMenuIcon(ConnectionState state)
{
    if (!m_statusItem)
        return;
    switch (state) {
    case ConnectionState::disconnected:
        m_symbol = QStringLiteral("shield");
        m_accessibilityText = QStringLiteral("Disconnected");
        m_tint = TextColor::Gray;
        break;
    case ConnectionState::connecting:
    case ConnectionState::disconnecting:
        m_symbol = QStringLiteral("shield.lefthalf.fill");
        m_accessibilityText = QStringLiteral("Connecting");
        m_tint = TextColor::Yellow;
        break;
    case ConnectionState::connected:
        m_symbol = QStringLiteral("shield.fill");
        m_accessibilityText = QStringLiteral("Connected");
        m_tint = TextColor::Green;
        break;
    }
    applyIcon();
    if (state == ConnectionState::connected)
        startTrafficDisplay();
    else
        stopTrafficDisplay();
}

void MenuBarManager::applyIcon()
{
    const auto& palette = m_services.theme.palette();
    // The plain symbol takes the text colour, as a template image takes the bar's.
    const QColor color = m_tint ? palette.color(*m_tint) : palette.text;
    QIcon icon;
    for (int size : {16, 22, 32, 48})
        icon.addPixmap(Icons::pixmap(m_symbol, color, size, 1.0));
    m_statusItem->setIcon(icon);
    showToolTip();
}

void MenuBarManager::showToolTip()
{
    if (!m_statusItem)
        return;
    auto tip = m_title.isEmpty() ? m_accessibilityText : m_title;
    // The rules outlive a lost connection, and a chosen kill switch may not be in force: the item
    // says so in every state.
    const auto notice = BlockNotice::line(m_services.connection);
    if (!notice.isEmpty())
        tip += QLatin1Char('\n') + notice;
    m_statusItem->setToolTip(tip);
}

void MenuBarManager::startTrafficDisplay()
{
    m_trafficTimer = std::make_unique<QTimer>();
    m_trafficTimer->setInterval(m_timings.trafficInterval);
    connect(m_trafficTimer.get(), &QTimer::timeout, this, &MenuBarManager::showTrafficTitle);
    m_trafficTimer->start();
    // Shown at once, without waiting for the first tick.
    QMetaObject::invokeMethod(this, &MenuBarManager::showTrafficTitle, Qt::QueuedConnection);
}

void MenuBarManager::stopTrafficDisplay()
{
    m_trafficTimer.reset();
    m_title.clear();
    showToolTip();
}

void MenuBarManager::showTrafficTitle()
{
    if (!m_statusItem || !m_trafficTimer)
        return;
    const auto& vpn = m_services.connection;
    m_title = trafficTitle(vpn.trafficSpeedDown(), vpn.trafficSpeedUp());
    showToolTip();
}

QString MenuBarManager::speedCompact(qint64 n)
{
    if (n <= 1023)
        return QString::number(std::max<qint64>(n, 0)) + QLatin1Char('B');
    const double k = double(n) / 1024.0;
    if (k < 1024)
        return i18n::format(QStringLiteral("%.0fK"), k);
    return i18n::format(QStringLiteral("%.1fM"), k / 1024.0);
}

QString MenuBarManager::trafficTitle(qint64 down, qint64 up)
{
    return QStringLiteral("▼ ") + speedCompact(down) + QStringLiteral(" ▲ ") + speedCompact(up);
}
