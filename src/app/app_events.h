#pragma once

#include "app/main_tab.h"

#include <QObject>
#include <QString>

// The application's events, as typed signals of one hub. The application context makes the one
// hub, passes on to it what the lower layers announce through signals of their own (connection
// state, the core's output, the interface language), and hands it to whoever posts or listens.
class AppEvents : public QObject {
    Q_OBJECT

signals:
    // "VpnStateChanged": posted on every assignment of the connection state.
    void vpnStateChanged();
    // "languageChanged": the interface language was set.
    void languageChanged();
    // "navigateToTab": the tab to show.
    void navigateToTab(MainTab tab);
    // "menuBarVisibilityChanged": whether the status item is shown.
    void menuBarVisibilityChanged(bool visible);
    // "kernelLog": one output stream of the proxy core, when it ends.
    void kernelLog(const QString& message);
    // "downloadStarted", "downloadProgress" (fraction 0..1) and "downloadComplete" (file path).
    void downloadStarted();
    void downloadProgress(double progress);
    void downloadComplete(const QString& filePath);
    // "refreshProfile": the profile should be loaded again.
    void refreshProfile();
};
