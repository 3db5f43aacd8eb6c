#pragma once

#include "app/main_tab.h"
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

// The screen of a main window tab, made anew.
QWidget* makeTabScreen(const TabScreenServices& services, MainTab tab, QWidget* parent);

// The name of navigation tab `tab` in the interface language, as the sidebar and the menu show it.
QString navigationTabTitle(MainTab tab);
