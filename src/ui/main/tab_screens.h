#pragma once

class QWidget;

// The screen of a main window tab, made anew: 0 dashboard, 1 node list, 2 settings, 3 server
// dashboard, 4 account; any other value gives the dashboard.
QWidget* makeTabScreen(int tab, QWidget* parent);
