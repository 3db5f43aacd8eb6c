#include "app_delegate.h"

#include "api/api_service.h"
#include "connection/vpn_manager.h"
#include "platform/notifier.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/user_notifier.h"
#include "app/leftover_proxy.h"
#include "ui/shell/menu_bar_manager.h"
#include "ui/shell/window_frame.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

QList<QWidget*> applicationWindows()
{
    QList<QWidget*> windows;
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (widget->windowType() != Qt::Popup && widget->windowType() != Qt::Desktop && widget->windowType() != Qt::ToolTip)
            windows.append(widget);
    }
    return windows;
}

void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

QCoro::Task<> launchConnection(ApiService* api, ConnectionActions actions, qint64 lastNodeId)
{
    QList<Node> nodes;
    try {
        nodes = co_await api->fetchNodes();
    } catch (...) {
        // No list, no automatic connection.
    }
    std::optional<Node> target;
    for (const auto& node : nodes) {
        if (node.status == QLatin1String("online") && (lastNodeId <= 0 || node.id == lastNodeId)) {
            target = node;
            break;
        }
    }
    if (!target)
        co_return;
    try {
        co_await actions.connect(*target);
    } catch (...) {
        // The connection manager has logged the failure.
    }
}

} // namespace

AppDelegate::Services AppDelegate::sharedServices()
{
    return {SettingsStore::shared(), VpnManager::shared(), ApiService::shared(), UserNotifier::shared(), ProcessRunner::shared(),
            ConnectionActions::of(VpnManager::shared()),
            [] { return std::make_unique<MenuBarManager>(MenuBarManager::sharedServices()); }, &QApplication::quit};
}

AppDelegate::AppDelegate(Services services, Timings timings, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_timings(timings)
{
}

AppDelegate::~AppDelegate()
{
    qApp->removeEventFilter(this);
}

void AppDelegate::applicationDidFinishLaunching(QWidget* window)
{
    m_window = window;
    m_menuBarManager = m_services.makeMenuBarManager();
    // Moves and resizes of any window save the main window's frame.
    qApp->installEventFilter(this);
    connect(&Notifier::shared(), &Notifier::vpnStateChanged, this, [this] {
        // The state as it is when the update runs, not as it was when posted.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_menuBarManager)
                    m_menuBarManager->updateMenuIcon(m_services.vpnManager.state());
            },
            Qt::QueuedConnection);
    });
    connect(&Notifier::shared(), &Notifier::menuBarVisibilityChanged, this, [this](const QVariant& object) {
        if (!m_menuBarManager || object.typeId() != QMetaType::Bool)
            return;
        if (object.toBool())
            m_menuBarManager->setupMenuBar();
        else
            m_menuBarManager->removeMenuBar();
    });
    // "openOnConnect": the first window comes to the front after a connect.
    connect(&m_services.vpnManager, &VpnManager::openMainWindowRequested, this, [this] {
        const auto windows = applicationWindows();
        if (!windows.isEmpty())
            bringToFront(windows.first());
    });
    restoreWindowFrame();
    m_services.notifier.requestPermission();
    QTimer::singleShot(m_timings.proxyClearDelay, this, &AppDelegate::clearLeftoverSystemProxy);

    if (m_services.settings.boolOr(SettingsKeys::autoConnect, false))
        launchConnection(&m_services.api, m_services.actions, m_services.settings.intOr(SettingsKeys::lastConnectedNodeId, 0));
}

void AppDelegate::restoreWindowFrame()
{
    const auto stored = m_services.settings.stringValue(SettingsKeys::windowFrame);
    if (!stored || !m_window)
        return;
    const QRect frame = WindowFrame::fromString(*stored);
    if (frame == QRect(0, 0, 0, 0))
        return;
    QTimer::singleShot(0, m_window, [window = m_window, frame] {
        if (window)
            window->setGeometry(frame);
    });
}

void AppDelegate::clearLeftoverSystemProxy()
{
    auto& vpn = m_services.vpnManager;
    // A connection made since launch has set the proxy itself.
    if (vpn.state() != ConnectionState::disconnected)
        return;
    const auto service = vpn.detectActiveNetworkService();
    if (!service)
        return;
    // Only a proxy that points at our own local core is ours to clear; the user's own proxy
    // settings stay as they are.
    LeftoverProxy::clear(vpn, m_services.processes, *service);
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->isWindow())
        saveWindowFrame();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::saveWindowFrame()
{
    if (!m_window)
        return;
    const QRect frame = m_window->geometry();
    if (frame.width() == 0 || frame.height() == 0)
        return;
    const auto text = WindowFrame::toString(frame);
    if (m_services.settings.stringValue(SettingsKeys::windowFrame) != text)
        m_services.settings.setValue(SettingsKeys::windowFrame, text);
}

void AppDelegate::windowWillClose()
{
    int visible = 0;
    for (auto* window : applicationWindows())
        visible += window->isVisible() ? 1 : 0;
    qInfo().noquote() << QStringLiteral("[MenuBar] windowWillClose: visible=%1, accessory=%2")
                             .arg(visible)
                             .arg(m_accessory ? QStringLiteral("true") : QStringLiteral("false"));
    if (visible == 0)
        m_accessory = true;
    // Counted while the closing window is still on screen; what is left is known once it is gone.
    QMetaObject::invokeMethod(this, &AppDelegate::quitIfNothingLeftOnScreen, Qt::QueuedConnection);
}

void AppDelegate::quitIfNothingLeftOnScreen()
{
    for (auto* window : applicationWindows()) {
        if (window->isVisible())
            return;
    }
    // Without a status item nothing would be left to bring the window back or to quit with.
    auto* item = m_menuBarManager ? m_menuBarManager->statusItem() : nullptr;
    if (!item || !item->isVisible())
        m_services.quit();
}

void AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    m_accessory = false;
    if (hasVisibleWindows)
        return;
    for (auto* window : applicationWindows())
        bringToFront(window);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    saveWindowFrame();
    if (m_services.vpnManager.state() == ConnectionState::connected)
        m_services.actions.disconnect();
}
