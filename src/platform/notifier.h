#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The process-wide notification names, as signals of one object.
class Notifier : public QObject {
    Q_OBJECT
public:
    static Notifier& shared();

signals:
    // "VpnStateChanged": posted on every assignment of the connection state.
    void vpnStateChanged();
    // "languageChanged": the interface language was set.
    void languageChanged();
    // "navigateToTab": the object is a tab index when it is an integer.
    void navigateToTab(const QVariant& object);
    // "menuBarVisibilityChanged": the object is the new Boolean.
    void menuBarVisibilityChanged(const QVariant& object);
    // "kernelLog": one output stream of the proxy core, when it ends.
    void kernelLog(const QString& message);
    // "downloadStarted", "downloadProgress" (fraction 0..1) and "downloadComplete" (file path).
    void downloadStarted();
    void downloadProgress(double progress);
    void downloadComplete(const QString& filePath);
    // "refreshProfile": the profile should be loaded again.
    void refreshProfile();
};
