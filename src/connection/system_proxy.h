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

class CommandQueue;
class ProcessRunner;

// The proxies of the active network service, through networksetup: the tool's command lines, the
// one reader of its proxy output and the service detection. Privileged commands go through sudo
// without a password prompt. Threading: every operation queues its commands on the connection's
// command queue and is awaited, so that the window's thread never waits for the tool.
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
    // What a connect runs, in order: the web and secure-web proxies set to the HTTP port, the SOCKS
    // proxy to the SOCKS port, then the three switched on.
    static QList<QStringList> pointAtCoreArguments(const QString& service, int httpPort, int socksPort);

    SystemProxy(ProcessRunner& processes, CommandQueue& commands);

    // The service whose proxies are changed: a preferred kind of service when listed, else the
    // first listed one. Found once, then kept for the life of the object.
    QCoro::Task<std::optional<QString>> activeService();
    // networksetup with the arguments through sudo: true only on exit status 0. A negative limit
    // waits as long as it takes.
    QCoro::Task<bool> runPrivileged(QStringList arguments, std::chrono::milliseconds limit);
    // The kind's setting of the service, read without root rights; off when it cannot be read.
    QCoro::Task<Setting> read(QString service, Kind kind);
    // Refreshes sudo's cached credential; the outcome does not matter.
    QCoro::Task<> refreshSudoCredential();

    // The SOCKS proxy of the active service: when switching on, pointed at 127.0.0.1 on the port;
    // when off, switched off. One more attempt follows a failed first one (both commands when
    // switching on). All in one job, so nothing else runs between the attempts.
    struct SocksSwitch {
        bool serviceFound = false;
        bool succeeded = false;
        bool onSecondAttempt = false;
    };
    QCoro::Task<SocksSwitch> switchSocks(bool on, int port, std::chrono::milliseconds limit);

    // Switches the web, secure-web and SOCKS proxies of the service (the active one when none is
    // given) off, in one job. The service, if any, and whether the last command succeeded.
    struct AllOff {
        std::optional<QString> service;
        bool socksOff = false;
    };
    QCoro::Task<AllOff> switchAllOff(std::optional<QString> service, std::chrono::milliseconds limit);

    // Switches off each proxy of the active service that still points at the local ports, left
    // by a run that ended without disconnecting; other proxies are the user's own. Stops before
    // the next switch once `cancelled` is set. The kinds switched off.
    QCoro::Task<QList<Kind>> clearLeftovers(QList<int> localPorts, std::chrono::milliseconds limit,
                                            std::shared_ptr<std::atomic<bool>> cancelled);

private:
    // The blocking steps, run only inside the queue's jobs.
    std::optional<QString> detectService();
    bool privileged(const QStringList& arguments, std::chrono::milliseconds limit);
    Setting readSetting(const QString& service, Kind kind);

    ProcessRunner& m_processes;
    CommandQueue& m_commands;
    QMutex m_mutex;
    std::optional<QString> m_service;
};
