#include "app_delegate.h"

#include "app/app_events.h"
#include "app/startup_rules.h"
#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/user_notifier.h"
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
        if (widget->windowType() != Qt::Popup && widget->windowType() != Qt::Desktop
            && widget->windowType() != Qt::ToolTip)
            windows.append(widget);
    }
    return windows;
}

void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
}

AppDelegate::~AppDelegate() { qApp->removeEventFilter(this); }

void AppDelegate::applicationDidFinishLaunching(QWidget* window)
{
    m_window = window;
    m_menuBarManager = m_services.makeMenuBarManager();
    // Moves and resizes of any window save the main window's frame.
    qApp->installEventFilter(this);
    connect(&m_services.hub, &AppEvents::vpnStateChanged, this, [this] {
        // The state as it is when the update runs, not as it was when posted.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_menuBarManager)
                    m_menuBarManager->updateMenuIcon(m_services.connection.state());
            },
            Qt::QueuedConnection);
    });
    connect(&m_services.hub, &AppEvents::menuBarVisibilityChanged, this, [this](bool visible) {
        if (!m_menuBarManager)
            return;
        if (visible)
            m_menuBarManager->setupMenuBar();
        else
            m_menuBarManager->removeMenuBar();
    });
    // "openOnConnect": the main window comes to the front after a connect, also from the
    // taskbar; the first window in the toolkit's list may be a sheet or an alert.
    connect(&m_services.connection, &VpnConnection::openMainWindowRequested, this, [this] {
        if (m_window)
            bringToFront(m_window);
    });
    restoreWindowFrame();
    m_services.notifier.requestPermission();
    m_services.startup.applicationDidFinishLaunching();
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
    if (m_services.connection.state() == ConnectionState::connected)
        m_services.connection.disconnect();
}
