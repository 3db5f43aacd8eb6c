#include "velmorand_app.h"

#include "app/app_events.h"
#include "app/app_state.h"
#include "app/startup_rules.h"
#include "connection/vpn_connection.h"
#include "platform/language_manager.h"
#include "platform/settings_store.h"
#include "platform/user_notifier.h"
#include "ui/common/theme.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/connection_notices.h"
#include "ui/shell/main_window.h"
#include "ui/shell/menu_commands.h"

#include <QApplication>
#include <QDebug>
#include <QMenuBar>

VelmorandApp::VelmorandApp(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    applyTheme();
    m_window = std::make_unique<MainWindow>();
    m_commands = new MenuCommands(
        {.connection = m_services.connection, .appState = m_services.appState, .settings = m_services.settings},
        m_services.hub, m_window->menuBar());
    m_notices = new ConnectionNotices(m_services.connection, m_services.settings, m_services.notifier, this);
    m_delegate = m_services.makeDelegate();
    connect(m_window.get(), &MainWindow::windowWillClose, m_delegate.get(), &AppDelegate::windowWillClose);
    connect(qApp, &QCoreApplication::aboutToQuit, m_delegate.get(), &AppDelegate::applicationWillTerminate);
    // Every delivery rebuilds, through the event loop: the change may come from a handler of the
    // very content that is replaced.
    connect(&m_services.hub, &AppEvents::languageChanged, this, &VelmorandApp::rebuildContent, Qt::QueuedConnection);
    // A window opened again gets fresh content, which locks again when the app lock is on.
    connect(m_window.get(), &MainWindow::reopened, this, &VelmorandApp::rebuildContent, Qt::QueuedConnection);

    m_window->setContent(new ContentView(m_services.contentServices()));
}

VelmorandApp::~VelmorandApp() = default;

// Before the first widget: widgets built under the toolkit's own look measure their text in its
// default font, which opens font faces the window never draws with.
void VelmorandApp::applyTheme() const
{
    m_services.theme.setLanguage(rawValue(m_services.languageManager.currentLanguage()));
    m_services.theme.apply();
}

void VelmorandApp::launch()
{
    if (m_launched)
        return;
    m_launched = true;
    // The applications that bypass the tunnel must be known before any connect applies its rules.
    m_services.connection.loadSplitTunnelApps();
    m_window->show();
    m_delegate->applicationDidFinishLaunching(m_window.get());
    // Work of the first appearance; a rebuilt or re-opened window does not run it again.
    m_services.checkForUpdate();
    m_services.discoverEndpoint();
    m_services.startup.windowDidFirstAppear();
}

void VelmorandApp::reopen()
{
    const bool visible = m_window->isVisible();
    qInfo().noquote() << QStringLiteral("[App] Reopen requested by another launch: visible=%1")
                             .arg(visible ? QStringLiteral("true") : QStringLiteral("false"));
    m_delegate->applicationShouldHandleReopen(visible);
    if (visible) {
        m_window->raise();
        m_window->activateWindow();
    }
}

void VelmorandApp::rebuildContent()
{
    m_services.theme.setLanguage(rawValue(m_services.languageManager.currentLanguage()));
    m_window->setContent(new ContentView(m_services.contentServices()));
    m_commands->retranslate();
}
