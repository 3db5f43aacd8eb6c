#pragma once

#include "app/connection_actions.h"

#include <QWidget>

class AppState;
class Button;
class QLabel;
class SettingsStore;
class Spinner;
class StatusDot;
class VpnConnection;

// The small face of the main window: the connection state, the connected node, whether the kill
// switch blocks non-VPN traffic, the session's traffic, a connect/disconnect button and a button back to the full
// window.
class CompactDashboard : public QWidget {
    Q_OBJECT
public:
    using Services = ConnectionControlServices;

    CompactDashboard(Services services, QWidget* parent = nullptr);

    // "1023 B", "1.0 KB", "1.0 MB", "1.00 GB".
    static QString trafficString(qint64 bytes);

    Button* powerButton() const { return m_power; }

private:
    void toggleConnection();
    void refresh();

    Services m_services;
    StatusDot* m_dot;
    QLabel* m_status;
    QLabel* m_node;
    QLabel* m_down;
    QLabel* m_up;
    Spinner* m_spinner;
    Button* m_power;
};
