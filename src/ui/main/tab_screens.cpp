#include "tab_screens.h"

#include "ui/account/profile_view.h"
#include "ui/account/settings_view.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/main/dashboard_view.h"
#include "ui/nodes/nodes_list_view.h"

QWidget* makeTabScreen(int tab, QWidget* parent)
{
    switch (tab) {
    case 1: return new NodesListView(parent);
    case 2: return new SettingsView(parent);
    case 3: return new ServerDashboardView(parent);
    case 4: return new ProfileView(parent);
    default: return new DashboardView(parent);
    }
}
