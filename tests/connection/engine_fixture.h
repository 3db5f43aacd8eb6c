#pragma once

#include "connection/vpn_error.h"
#include "connection/vpn_manager.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "support/gated_process_runner.h"
#include "support/task_failure.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// One line of the connection log, for comparisons.
struct LogLine {
    ConnectionLogEntry::LogType type;
    QString message;
    std::optional<QString> nodeName;
    bool operator==(const LogLine&) const = default;
};

inline void PrintTo(const LogLine& line, std::ostream* out)
{
    *out << int(line.type) << ' ' << line.message.toStdString();
    if (line.nodeName)
        *out << " [" << line.nodeName->toStdString() << ']';
}

// A connection manager over a fake core, recorded commands and administrator scripts, quick
// timers and a clock the test sets.
class EngineTest : public ::testing::Test {
protected:
    using Type = ConnectionLogEntry::LogType;
    using Line = LogLine;

    EngineTest()
    {
        core.installCore();
        processes.setHandler([this](const ProcessRequest& request) { return answer(request); });
    }

    // The network services are listed from `listing`; a privileged networksetup command fails when
    // its subcommand is in `failing`; the SOCKS state reads `socksState`.
    ProcessResult answer(const ProcessRequest& request) const
    {
        const auto& arguments = request.arguments;
        if (arguments == QStringList{QStringLiteral("-listallnetworkservices")})
            return {true, false, 0, "An asterisk (*) denotes that a network service is disabled.\n" + listing};
        if (arguments.value(0) == QLatin1String("-getsocksfirewallproxy"))
            return {true, false, 0, socksState};
        if (request.program == QLatin1String("/usr/bin/sudo") && failing.contains(arguments.value(2)))
            return {true, false, 1, "sudo: a password is required\n"};
        return {true, false, 0, {}};
    }

    VpnTimings timings()
    {
        VpnTimings t;
        t.statsInterval = std::chrono::milliseconds(20);
        t.durationInterval = std::chrono::milliseconds(20);
        t.healthInterval = std::chrono::milliseconds(30);
        t.retryWaitUnit = std::chrono::milliseconds(10);
        t.reconnectPause = std::chrono::milliseconds(10);
        t.proxyReadBackDelay = std::chrono::milliseconds(10);
        t.now = [this] { return clock; };
        // Names resolve from the table only: no test asks the machine's resolver.
        t.resolve = [this](const QString& name) {
            const QMutexLocker locker(&resolving);
            askedNames.append(name);
            return resolved.value(name);
        };
        return t;
    }

    std::unique_ptr<VpnManager> makeManager(VpnTimings t)
    {
        return std::make_unique<VpnManager>(*core.settings.store, processes, *xray, admin, std::move(t));
    }

    // A new manager with the quick timings changed by `adjust`.
    void useTimings(const std::function<void(VpnTimings&)>& adjust)
    {
        auto t = timings();
        adjust(t);
        manager = makeManager(std::move(t));
    }

    std::optional<VpnError> connectTo(const Node& node) { return failureOf<VpnError>(manager->connectTo(node)); }

    static Node node(qint64 id, const QString& name, const QString& server = QStringLiteral("203.0.113.7"))
    {
        auto n = testNode(server);
        n.id = id;
        n.name = name;
        return n;
    }

    // The connection log, oldest first.
    QList<Line> log() const
    {
        QList<Line> lines;
        for (const auto& entry : manager->connectionLog())
            lines.prepend({entry.type, entry.message, entry.nodeName});
        return lines;
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const auto& line : log())
            texts.append(line.message);
        return texts;
    }

    // What the privileged networksetup commands were given, oldest first.
    QStringList networksetupCalls() const
    {
        QStringList calls;
        for (const auto& request : processes.requests())
            if (request.program == QLatin1String("/usr/bin/sudo")
                && request.arguments.value(1) == QLatin1String("/usr/sbin/networksetup"))
                calls.append(request.arguments.mid(2).join(QLatin1Char(' ')));
        return calls;
    }

    QList<RecordingChildLauncher::Made> cores() const
    {
        return core.launcher.madeFor(core.resources.filePath(QStringLiteral("xray")));
    }

    // The core started last ends by itself.
    void killCore() const
    {
        const auto latest = cores().last();
        ASSERT_TRUE(latest.child);
        latest.child->end();
    }

    // The timers of the manager that run.
    QStringList activeTimers() const { return activeTimerNames(*manager); }

    static void waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
    {
        ASSERT_TRUE(QTest::qWaitFor(condition, timeoutMs));
    }

    XrayFixture core;
    GatedProcessRunner processes;
    RecordingAdminScriptRunner admin;
    QByteArray listing = "Wi-Fi\nEthernet\n";
    QStringList failing;
    QByteArray socksState = "Enabled: No\nServer: 127.0.0.1\nPort: 1080\n";
    double clock = 1000.0;
    std::unique_ptr<XrayManager> xray = core.make();
    // What names resolve to, and the names asked (on the command queue's thread).
    QHash<QString, QList<QHostAddress>> resolved;
    QStringList askedNames;
    QMutex resolving;
    std::unique_ptr<VpnManager> manager = makeManager(timings());
};
