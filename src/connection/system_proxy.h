#pragma once

#include <QCoroTask>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

class ProcessRunner;

// The proxies of the active network service, through networksetup: the tool's command lines, the
// one reader of its proxy output and the service detection. Privileged commands go through sudo
// without a password prompt. Operations named "…InBackground" run their commands on the thread
// pool and are awaited, so that the window's thread never waits for the tool; the others block
// their caller. Safe to use from several threads.
class SystemProxy {
public:
    enum class Kind { web, secureWeb, socks };
    static inline const QList<Kind> allKinds{Kind::web, Kind::secureWeb, Kind::socks};

    // One proxy as "-get…proxy" prints it: the "Enabled:", "Server:" and "Port:" lines.
    struct Setting {
        bool enabled = false;
        QString server;
        int port = 0;
    };
    static Setting parse(const QString& output);
    // On, and pointing at 127.0.0.1 on one of the ports.
    static bool pointsAt(const Setting& setting, const QList<int>& localPorts);

    // "-set…proxystate" for the kind, with the service as one argument.
    static QStringList switchArguments(Kind kind, const QString& service, bool on);

    explicit SystemProxy(ProcessRunner& processes);

    // The service whose proxies are changed: a preferred kind of service when listed, else the
    // first listed one. Found once, then kept for the life of the object.
    std::optional<QString> activeService();
    // networksetup with the arguments through sudo: true only on exit status 0. A negative limit
    // waits as long as it takes.
    bool runPrivileged(const QStringList& arguments, std::chrono::milliseconds limit);
    QCoro::Task<bool> runPrivilegedInBackground(QStringList arguments, std::chrono::milliseconds limit);
    // The kind's setting of the service, read without root rights; off when it cannot be read.
    Setting read(const QString& service, Kind kind);
    // Refreshes sudo's cached credential; the outcome does not matter.
    void refreshSudoCredential();

    // Switches off each proxy of the active service that still points at the local ports, left
    // by a run that ended without disconnecting; other proxies are the user's own. Stops before
    // the next switch once `cancelled` is set. The kinds switched off.
    QCoro::Task<QList<Kind>> clearLeftoversInBackground(
        QList<int> localPorts, std::chrono::milliseconds limit, std::shared_ptr<std::atomic<bool>> cancelled);

private:
    ProcessRunner& m_processes;
    QMutex m_mutex;
    std::optional<QString> m_service;
};
