#pragma once

#include "app/connection_actions.h"

#include <QList>
#include <QObject>

class AppState;
class AppEvents;
class QAction;
class QMenu;
class QMenuBar;
class SettingsStore;
class VpnConnection;

// The commands of the window's menu bar: the application menu (compact window, quit), the
// navigation menu (the navigation tabs) and the "VPN" menu (connect or disconnect). Titles follow the
// interface language, the compact setting and the connection state.
class MenuCommands : public QObject {
    Q_OBJECT
public:
    using Services = ConnectionControlServices;

    // The navigation commands post "navigateToTab" on `notifier`.
    MenuCommands(Services services, AppEvents& notifier, QMenuBar* menuBar);

    // Looks every title up again in the current language.
    void retranslate();
    // The "VPN" command: disconnects a live connection, else connects to the first online node.
    void toggleConnection();

    QAction* compactAction() const { return m_compact; }
    QAction* quitAction() const { return m_quit; }
    const QList<QAction*>& navigationActions() const { return m_navigation; }
    QAction* vpnAction() const { return m_vpn; }
    QMenu* navigationMenu() const { return m_navigationMenu; }
    QMenu* vpnMenu() const { return m_vpnMenu; }

private:
    void refresh();

    Services m_services;
    QMenu* m_appMenu;
    QMenu* m_navigationMenu;
    QMenu* m_vpnMenu;
    QAction* m_compact;
    QAction* m_quit;
    QList<QAction*> m_navigation;
    QAction* m_vpn;
};
