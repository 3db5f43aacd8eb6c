#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class AdminScriptRunner;
class ApiService;
class AppEvents;
class UpdatePrompts;
class UrlOpener;

// Asks the service for the newest build, offers it, downloads the disk image with a progress
// window and installs it through a root script that launchd runs after the application quit.
// Where there is no disk image to install (this Linux build), it says so and opens the download.
// Used from the main thread.
class AutoUpdater : public QObject {
    Q_OBJECT
public:
    enum class InstallMode {
        submitInstallerScript, // the macOS installer: script, launchd job, quit
        openDownloadOnly, // nothing is installed; the download is shown to the user
    };

    struct Collaborators {
        ApiService& api;
        AdminScriptRunner& adminScripts;
        UrlOpener& urlOpener;
        // Where "downloadStarted", "downloadProgress" and "downloadComplete" are posted.
        AppEvents& notifier;
        // Ends the application (after a submitted install, or a refused mandatory update).
        std::function<void()> quit;
        InstallMode installMode = InstallMode::openDownloadOnly;
        // Opened when a newer version has no usable download address.
        QString mainWebAddress;
        // Where each download's private working directory is made.
        QString workDirParent;
        QSslConfiguration sslConfiguration = QSslConfiguration::defaultConfiguration();
        // Alerts and the download window; without them alerts go to the log, unanswered.
        UpdatePrompts* prompts = nullptr;
    };

    explicit AutoUpdater(Collaborators collaborators, QObject* parent = nullptr);

    // How this system's build is updated.
    static InstallMode nativeInstallMode();

    // The running build's version: the application version, or "1.0.0" when it has none.
    QString currentVersion() const;

    // Asks the service; a newer version is offered, and with forceNotify an up-to-date result is
    // confirmed by an alert. Never fails.
    QCoro::Task<> check(bool forceNotify);
    QCoro::Task<> showUpdateDialog(QString version, std::optional<QString> downloadURL, bool force);
    void downloadWithProgress(const QString& urlString, const QString& version);
    // Installs the disk image of `version` that a download stored in `workDir`.
    void installDownloadedUpdate(const QString& version, const QString& workDir);

private:
    QCoro::Task<int> alert(QString message, QString informativeText, QStringList buttons);
    void openMainWebAddress();
    // A fresh directory only this user can enter; empty on failure.
    QString makePrivateWorkDir() const;
    static void log(const QString& line);

    Collaborators m_collaborators;
    QNetworkAccessManager m_network;
};
