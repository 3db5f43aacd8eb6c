#pragma once

#include "ui/account/profile_view.h"
#include "ui/account/settings_view.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/dashboard/dashboard_view.h"
#include "ui/nodes/nodes_list_view.h"

#include <QString>

class QWidget;

// What the tab screens are made with.
struct TabScreenServices {
    DashboardView::Services dashboard;
    NodesListView::Services nodes;
    SettingsView::Services settings;
    ServerDashboardView::Services serverDashboard;
    ProfileView::Services profile;
};

// The screen of a main window tab, made anew: 0 dashboard, 1 node list, 2 settings, 3 server
// dashboard, 4 account; any other value gives the dashboard.
QWidget* makeTabScreen(const TabScreenServices& services, int tab, QWidget* parent);

// The tabs the sidebar and the navigation menu offer: 0 to 3.
inline constexpr int navigationTabCount = 4;
// The name of navigation tab `tab` in the interface language, as the sidebar and the menu show it.
QString navigationTabTitle(int tab);
