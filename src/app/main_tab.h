#pragma once

#include <array>

// The main window's tabs. The first four are the navigation tabs, in the order of the sidebar,
// the navigation menu and the digit shortcuts; the account screen opens from the account row.
enum class MainTab { dashboard, nodes, settings, serverDashboard, account };

inline constexpr std::array<MainTab, 4> navigationTabs
    = {MainTab::dashboard, MainTab::nodes, MainTab::settings, MainTab::serverDashboard};
