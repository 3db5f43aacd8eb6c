#pragma once

#include "api/records/connection_state.h"

#include <QObject>

class SettingsStore;
class UserNotifier;
class VpnConnection;

// Posts a desktop notice when the connection comes up or goes down, while "connectionNotifications"
// is on. Only a real change of the state counts: repeated announcements of the same state, and
// the state the process starts in, post nothing.
class ConnectionNotices : public QObject {
    Q_OBJECT
public:
    ConnectionNotices(VpnConnection& connection, SettingsStore& settings, UserNotifier& notifier,
                      QObject* parent = nullptr);

private:
    void onStateChanged();

    VpnConnection& m_connection;
    SettingsStore& m_settings;
    UserNotifier& m_notifier;
    ConnectionState m_lastState;
};
