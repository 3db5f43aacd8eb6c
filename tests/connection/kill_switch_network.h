#pragma once

// The private network the kill switch is tested in: two namespaces joined by a veth pair. The
// client (192.168.77.1, the only address it sends from) and a server side holding the node
// (198.51.100.2, with a Trojan server on port 443 that forwards to the other host only), a second
// node (198.51.100.4), another host (198.51.100.3) and a LAN host (192.168.77.2). Nothing here
// reaches this machine's own network or firewall.
#include "connection/vpn_manager.h"
#include "platform/process_runner.h"
#include "support/root_script_runner.h"
#include "xray_test_fixture.h"
#include "support/private_network.h"

#include <QList>
#include <QMutex>
#include <QNetworkProxy>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QUdpSocket>

#include <atomic>
#include <functional>
#include <memory>

namespace KillSwitchNetwork {

inline const QString node = QStringLiteral("198.51.100.2");
inline const QString secondNode = QStringLiteral("198.51.100.4");
inline const QString otherHost = QStringLiteral("198.51.100.3");
inline const QString lanHost = QStringLiteral("192.168.77.2");
inline const QString serviceHost = QStringLiteral("198.51.100.5");
constexpr quint16 servicePort = 8630;
constexpr quint16 tcpPort = 7000;
constexpr quint16 udpPort = 7001;
constexpr quint16 dnsPort = 53;
constexpr quint16 trojanPort = 443;

// Runs `client` in the client namespace against the server side, as the test named `test`
// (this program is started again inside each namespace with only that test). Skips the test
// where namespaces cannot be made.
void runInPrivateNetwork(const QString& test, const std::function<void()>& client);

// The stand-in service's base address, and its test account as the client side is told it.
QString serviceBaseUrl();
struct ServiceAccount {
    QString email;
    QString password;
};
ServiceAccount serviceAccount();

// Whether a TCP connection to the address gets the server side's greeting, directly or through
// the proxy.
bool tcpReaches(const QString& address, quint16 port, const QNetworkProxy& proxy = QNetworkProxy::NoProxy);
bool tcpConnects(const QString& address, quint16 port);
bool udpEchoes(const QString& address, quint16 port);
// From here on, this process and its children resolve names from these hosts-file lines only
// (no DNS): over /etc/hosts and /etc/nsswitch.conf in a mount namespace of this process's own,
// which the client side's namespace is. False with the reason in *error.
bool resolveNamesOnlyFrom(const QByteArray& hostsLines, QString* error);
// Names this process and its children resolve from here on, as above: the hosts-file lines,
// which list() changes at any time, and behind them a resolver on 127.0.0.1 that never answers.
class ChangingNames {
public:
    // False with the reason in *error.
    bool start(const QByteArray& hostsLines, QString* error);
    bool list(const QByteArray& hostsLines);
    // Whether anything has been asked of the resolver.
    bool resolverAsked() const { return m_resolver.hasPendingDatagrams(); }

private:
    QString m_hostsFile;
    QUdpSocket m_resolver;
};
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// A connection manager that counts as connected to the node (no core runs), whose administrator
// scripts run as root for real.
struct ManagerAtTheNode {
    ManagerAtTheNode();

    XrayFixture coreFixture;
    std::unique_ptr<XrayManager> xray = coreFixture.make();
    const std::unique_ptr<ProcessRunner> processes = ProcessRunner::makeNative();
    const std::unique_ptr<AdminScriptRunner> adminScripts = rootScriptRunner();
    VpnManager manager{*coreFixture.settings.store, *processes, *xray, *adminScripts};
};

// Tries a new TCP connection to the other host every 15 ms or so from a thread of its own and
// counts, per phase of the test, how many were tried and how many got out.
class Prober {
public:
    struct Count {
        int tried = 0;
        int gotOut = 0;
    };

    explicit Prober(const QStringList& phases);
    ~Prober();
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;

    void enter(int phase) { m_phase = phase; }
    Count count(int phase) const;
    // Waits until the phase has seen at least `tries` attempts.
    bool probedAtLeast(int phase, int tries) const;
    // One line per phase, "prober PHASE: N of M got out", which the test's parent prints.
    QString report() const;

private:
    void probe();

    mutable QMutex m_mutex;
    QList<Count> m_counts;
    const QStringList m_phases;
    std::atomic<int> m_phase{0};
    std::atomic<bool> m_stop{false};
    std::unique_ptr<QThread> m_thread;
};

} // namespace KillSwitchNetwork
