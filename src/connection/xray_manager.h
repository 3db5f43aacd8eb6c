#pragma once

#include "api/records/node.h"
#include "child_process.h"

#include <QCoroTask>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringView>

#include <chrono>
#include <memory>
#include <optional>

class SettingsStore;

// Owns the proxy core: writes its configuration, runs it as a child process, relays its output
// as "kernelLog", follows its traffic through the traffic monitor, and keeps the routing mode
// ("rule" or "global"), restarting a running core when the mode changes.
class XrayManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString mode READ mode NOTIFY modeChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY runningChanged)

public:
    static constexpr int proxyPort = 1080; // SOCKS5
    static constexpr int httpPort = 1081;

    struct Options {
        // Where "xray", "geoip.dat" and "geosite.dat" are found.
        QString resourcesDir;
        // The directory of the configuration file; made private to the user.
        QString configDir;
        // Servers under this host use the second set of REALITY key and certificate pin.
        QString secondFallbackHost;
        // A started core counts as running once all of these loopback ports accept.
        QList<quint16> listenPorts{proxyPort, httpPort};
        std::chrono::milliseconds readyTimeout{10000};
        std::chrono::milliseconds readyPollInterval{50};
        // How long a core may take to end after the first termination request.
        std::chrono::milliseconds stopGrace{1000};

        // The application's resources, a private runtime directory, the service's third host.
        static Options standard();
    };

    struct Traffic {
        qint64 down = 0;
        qint64 up = 0;
    };

    XrayManager(SettingsStore& settings, ChildProcessLauncher& launcher, Options options, QObject* parent = nullptr);
    ~XrayManager() override;

    // The core's configuration document for the node, as pretty-printed JSON text.
    QString buildConfig(const Node& node, const std::optional<QString>& sni) const;
    // The TLS server name the core gives for the node: its region prefix ("hk2a", "usw"…, else
    // "hk1") on the camouflage host.
    static QString serverNameFor(const Node& node);

    // Starts the core for the node and returns once it accepts connections on its ports. Does
    // nothing while a core runs or is being started (even for another node). Throws XrayError
    // when there is no core executable, the configuration cannot be written, a port is taken by
    // another program, or the core cannot be launched, ends before it listens, does not listen in
    // time, or is stopped meanwhile.
    QCoro::Task<> start(Node node, std::optional<QString> sni);
    // Stops the traffic monitor and the core (waiting for it to end, then killing it) and clears
    // the run; the counters go back to 0. Blocks the caller up to about the stop grace period.
    void stop();
    // At launch: the configuration of a run that ended without stopping its core (a crash) holds
    // a node's password; it goes, when it is this user's file.
    void removeLeftoverConfig() const;

    // "global" stays "global", anything else becomes "rule". A change is stored under
    // "mihomoMode" and restarts a running core with the same node and server name; a restart
    // failure is dropped (the core then stays stopped).
    QCoro::Task<> setMode(QString requested);

    bool isRunning() const { return m_isRunning; }
    // A start is under way: a connect's, or the restart after a change of the routing mode.
    bool isStarting() const { return m_starting; }
    QString mode() const { return m_mode; }
    // The monitor's latest running totals of bytes received and sent (under the traffic lock).
    Traffic lastTraffic() const;
    // The core's process id while there is a core process.
    std::optional<qint64> processId() const;

    // One chunk of monitor output: each line "NAME IN IN_UNIT OUT OUT_UNIT" replaces the totals.
    void parseTraffic(QStringView text);
    // A count with a unit: k, m, g or t anywhere in the unit counts in powers of 1024. -1 when the
    // value is not a number or the result does not fit.
    static qint64 byteValue(QStringView value, QStringView unit);

signals:
    void modeChanged();
    void runningChanged();
    // One output stream of the core, whole, once the core has ended; the application posts it
    // as "kernelLog".
    void kernelLog(const QString& message);

private:
    struct DeleteLater {
        void operator()(QObject* object) const { object->deleteLater(); }
    };
    using ChildHandle = std::unique_ptr<ChildProcess, DeleteLater>;
    struct CoreOutput {
        QByteArray standardOutput;
        QByteArray standardError;
    };

    std::optional<QString> xrayBinaryPath() const;
    // The valid addresses stored under "customDNS", else none.
    QStringList customDnsServers() const;
    void copyGeoIfNeeded(const QString& directory) const;
    QString configPath() const;
    // The node's password lives in the configuration: it goes as soon as no core runs from it.
    void removeConfig() const;
    ChildHandle launchCore(const QString& binary, const QString& directory, const std::shared_ptr<CoreOutput>& output,
                           quint64 generation);
    QCoro::Task<> waitUntilListening(ChildProcess* core, std::shared_ptr<CoreOutput> output, quint64 generation);
    void startTrafficMonitor();
    void dropTrafficMonitor();
    void readMonitorOutput(const QByteArray& chunk);
    void endChild(ChildHandle& child, std::chrono::milliseconds grace);
    void setRunning(bool running);
    void setModeValue(const QString& mode);

    SettingsStore& m_settings;
    ChildProcessLauncher& m_launcher;
    const Options m_options;

    bool m_isRunning = false;
    // A start is between its first step and the core listening.
    bool m_starting = false;
    // Counts starts and stops, so that a start that was overtaken and the exit of an earlier core
    // are recognised as such.
    quint64 m_generation = 0;
    ChildHandle m_process;
    ChildHandle m_nettopProcess;
    QByteArray m_monitorPending;
    std::optional<Node> m_currentNode;
    std::optional<QString> m_currentSNI;
    QString m_mode;
    mutable QMutex m_trafficLock;
    qint64 m_lastDown = 0;
    qint64 m_lastUp = 0;
};
