// Programs let out past the kill switch, for real: the administrator scripts run as root through
// the pfctl stand-in in the client namespace of kill_switch_network.h. The application (this
// process) and the programs run as the same user; only the listed program gets out.
#include "kill_switch_network.h"
#include "platform/exempted_program.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace KillSwitchNetwork;

const QString kTest = QStringLiteral("SplitTunnelInANamespace.OnlyTheListedProgramOfTheUserGetsOutAndOnlyWithTheBlock");
const QString kNobody = QStringLiteral("65534");
const QString kGroupMark = QStringLiteral("velmorand-split-");

// A copy of bash at `path`, reachable and runnable by everyone: a program of its own, which the
// exemption tells apart from every other by its executable.
bool installProgram(const QTemporaryDir& dir, const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path()) || !QFile::copy(QStringLiteral("/bin/bash"), path))
        return false;
    for (auto at = path; at.startsWith(dir.path()); at = QFileInfo(at).path())
        QFile::setPermissions(at, QFile::permissions(at) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    return true;
}

// Opens a TCP connection to the other host and prints the greeting it gets.
const QString kConnect = QStringLiteral("exec 3<>/dev/tcp/%1/%2 && head -n 1 <&3").arg(otherHost).arg(tcpPort);
// Starts an interpreter of its own (the system's bash) that does the same as soon as it runs, and
// stays. (The interpreter is not the last command, so that the shell forks it rather than becoming
// it.)
const QString kStartAnInterpreterThatConnects = QStringLiteral("/bin/bash -c '%1'; read -r _").arg(kConnect);

// One run of a bash (a copy: `executable`) that, once told to go, runs the command: by default
// the connection above.
class ProgramRun {
public:
    // As the user id, or as this process's user when empty.
    ProgramRun(const QString& executable, const QString& user = {}, const QString& command = kConnect)
    {
        const QStringList script{QStringLiteral("-c"), QStringLiteral("read -r _; ") + command};
        if (user.isEmpty())
            m_process.start(executable, script);
        else
            m_process.start(QStringLiteral("setpriv"),
                            QStringList{QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + user,
                                        QStringLiteral("--clear-groups"), executable}
                                + script);
        m_process.waitForStarted();
    }
    ~ProgramRun()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Whether it is kept where the table lets it out.
    bool exempted() const
    {
        QFile groups(QStringLiteral("/proc/%1/cgroup").arg(m_process.processId()));
        return groups.open(QIODevice::ReadOnly) && QString::fromUtf8(groups.readAll()).contains(kGroupMark);
    }

    // Tells it to go; whether the greeting comes. Answers come at once here: a wait is a block.
    bool getsOut(int patienceMs = 2000)
    {
        m_process.write("go\n");
        QByteArray greeting;
        while (greeting.size() < 6 && m_process.waitForReadyRead(patienceMs))
            greeting += m_process.readAllStandardOutput();
        return greeting == "hello\n";
    }

private:
    QProcess m_process;
};

void runClient()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";

    QTemporaryDir programs;
    const auto bundle = programs.filePath(QStringLiteral("Split Test.app"));
    const QString listed = bundle + QStringLiteral("/Contents/MacOS/splittest");
    const auto other = programs.filePath(QStringLiteral("Other Tool/othertool"));
    ASSERT_TRUE(installProgram(programs, listed));
    ASSERT_TRUE(installProgram(programs, other));

    ManagerAtTheNode atTheNode;
    auto& manager = atTheNode.manager;
    // Chosen before the kill switch is on.
    QCoro::waitFor(manager.addSplitTunnelApp(bundle));

    // Here no control groups are mounted (a fresh mount namespace): programs cannot be told apart.
    QCoro::waitFor(manager.enableKillSwitch());
    ASSERT_TRUE(manager.killSwitchEnabled());
    EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("分应用代理未生效,所选应用同样被网络锁拦截"));
    {
        ProgramRun unmatched(listed);
        EXPECT_FALSE(unmatched.getsOut()) << "the block stays whole without the means";
    }
    QCoro::waitFor(manager.disableKillSwitch());
    ASSERT_FALSE(manager.killSwitchEnabled());

    // Mounted in this test's own mount namespace, as a desktop has it.
    ASSERT_EQ(::mount("cgroup2", "/sys/fs/cgroup", "cgroup2", 0, nullptr), 0) << std::strerror(errno);
    ProgramRun startedBefore(listed);
    QCoro::waitFor(manager.enableKillSwitch());
    ASSERT_TRUE(manager.killSwitchEnabled());
    EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("分应用代理: 1 个应用已绕过 VPN"));
    // While the release runs, probes may go either way.
    enum Phase { exempting, releasing, released };
    Prober prober({QStringLiteral("the application while the listed program is let out"),
                   QStringLiteral("the application during the release"),
                   QStringLiteral("the application after the release")});

    struct Case {
        const char* what;
        QString executable;
        QString user;
        bool getsOut;
    };
    const Case cases[] = {
        {"another program of the same user", other, {}, false},
        {"the listed program run by another user", listed, kNobody, false},
        {"the listed program started after the rules", listed, {}, true},
    };
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const auto& c : cases)
        runs.push_back(std::make_unique<ProgramRun>(c.executable, c.user));
    // The listed program started last is moved in by the same look that saw the others.
    ASSERT_TRUE(waitFor([&] { return runs.back()->exempted() && startedBefore.exempted(); }));
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(runs[i]->exempted(), cases[i].getsOut);
        EXPECT_EQ(runs[i]->getsOut(), cases[i].getsOut);
    }
    EXPECT_TRUE(startedBefore.getsOut()) << "a listed program already running when the rules came";

    // A program that the listed one starts runs outside as soon as it runs: even an interpreter
    // that connects at once never gets out, while the listed one stays let out. The listed ones
    // have all run a while first, as a program does before it starts another (right after one
    // move the kernel makes the next at once, which would hide a slow one).
    std::vector<std::unique_ptr<ProgramRun>> starters;
    for (int i = 0; i < 20; ++i)
        starters.push_back(std::make_unique<ProgramRun>(listed, QString(), kStartAnInterpreterThatConnects));
    const auto allExempted = [&] {
        return std::all_of(starters.cbegin(), starters.cend(), [](const auto& run) { return run->exempted(); });
    };
    ASSERT_TRUE(waitFor(allExempted));
    const auto startedGotOut
        = std::count_if(starters.cbegin(), starters.cend(), [](const auto& run) { return run->getsOut(500); });
    EXPECT_EQ(startedGotOut, 0) << "of 20 interpreters started by the listed program";
    EXPECT_TRUE(allExempted()) << "the listed programs stay let out";
    ASSERT_TRUE(prober.probedAtLeast(exempting, 20));

    // The exemption goes with the block.
    ProgramRun afterRelease(listed);
    ASSERT_TRUE(waitFor([&] { return afterRelease.exempted(); }));
    prober.enter(releasing);
    QCoro::waitFor(manager.disableKillSwitch());
    prober.enter(released);
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
    EXPECT_TRUE(waitFor([&] { return !afterRelease.exempted(); })) << "moved back where it came from";
    ASSERT_TRUE(prober.probedAtLeast(released, 20));

    std::printf("%s\n", qPrintable(prober.report()));
    EXPECT_EQ(prober.count(exempting).gotOut, 0) << "the application itself stays blocked";
    EXPECT_EQ(prober.count(released).gotOut, prober.count(released).tried) << prober.report().toStdString();
}

TEST(SplitTunnelInANamespace, OnlyTheListedProgramOfTheUserGetsOutAndOnlyWithTheBlock)
{
    runInPrivateNetwork(kTest, runClient);
}

} // namespace

namespace {

const QString kAfterACrashTest
    = QStringLiteral("SplitTunnelInANamespace.AnExemptionAKilledRunLeftIsTakenOverAndGoesWithTheEmptiedList");

// A run killed with a listed program let out past its block leaves both loaded. The next launch,
// the kill switch still chosen, takes both over: the program gets out until the user empties the
// list, and from then on is blocked like everything else.
void runClientAfterACrash()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_EQ(::mount("cgroup2", "/sys/fs/cgroup", "cgroup2", 0, nullptr), 0) << std::strerror(errno);
    QTemporaryDir programs;
    const auto listed = programs.filePath(QStringLiteral("Listed Tool/listedtool"));
    ASSERT_TRUE(installProgram(programs, listed));

    // The run that gets killed: it never acts again, and its rules stay with the root side.
    ManagerAtTheNode killed;
    auto& settings = *killed.coreFixture.settings.store;
    settings.setValue(SettingsKeys::killSwitchEnabled, true);
    QCoro::waitFor(killed.manager.addSplitTunnelApp(listed));
    QCoro::waitFor(killed.manager.enableKillSwitch());
    ASSERT_TRUE(killed.manager.killSwitchEnabled());

    VpnManager launch(settings, *killed.processes, *killed.xray, *killed.adminScripts);
    QCoro::waitFor(launch.recoverLeftoverKillSwitch());
    const auto log = [&] {
        QStringList lines;
        for (const auto& entry : launch.connectionLog())
            lines.append(entry.message);
        return lines.join(QLatin1Char('\n')).toStdString();
    };
    ASSERT_TRUE(launch.killSwitchEnabled()) << log();
    EXPECT_EQ(launch.splitTunnelApps(), QStringList{listed});
    {
        ProgramRun takenOver(listed);
        ASSERT_TRUE(waitFor([&] { return takenOver.exempted(); }));
        EXPECT_TRUE(takenOver.getsOut()) << "the list as it stands is let out";
    }

    ProgramRun runningAtTheChange(listed);
    ASSERT_TRUE(waitFor([&] { return runningAtTheChange.exempted(); }));
    QCoro::waitFor(launch.removeSplitTunnelApp(listed));
    EXPECT_TRUE(waitFor([&] { return !runningAtTheChange.exempted(); })) << "moved back where it came from";
    EXPECT_FALSE(runningAtTheChange.getsOut()) << log();
    ProgramRun startedAfter(listed);
    EXPECT_FALSE(startedAfter.getsOut()) << "the emptied list exempts nothing";
    EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "the block holds";

    QCoro::waitFor(launch.disableKillSwitch());
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
}

TEST(SplitTunnelInANamespace, AnExemptionAKilledRunLeftIsTakenOverAndGoesWithTheEmptiedList)
{
    runInPrivateNetwork(kAfterACrashTest, runClientAfterACrash);
}

} // namespace

namespace {

const QString kReplacedTest
    = QStringLiteral("SplitTunnelInANamespace.AListedProgramReplacedByAShellIsLeftOutAndTheBlockAndTheOtherHold");

// A listed program the user owns is replaced by a link to a shell after its rule was loaded: the
// kept rules now name a path that would let every shell out. Later loads and releases still
// succeed, the block holds, the shell is never let out and the other listed program still is.
void runClientWithAReplacedProgram()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_EQ(::mount("cgroup2", "/sys/fs/cgroup", "cgroup2", 0, nullptr), 0) << std::strerror(errno);
    QTemporaryDir programs;
    const auto kept = programs.filePath(QStringLiteral("Kept Tool/kepttool"));
    const auto replaced = programs.filePath(QStringLiteral("Replaced Tool/replacedtool"));
    ASSERT_TRUE(installProgram(programs, kept));
    ASSERT_TRUE(installProgram(programs, replaced));

    ManagerAtTheNode atTheNode;
    auto& manager = atTheNode.manager;
    const auto log = [&] {
        QStringList lines;
        for (const auto& entry : manager.connectionLog())
            lines.append(entry.message);
        return lines;
    };
    QCoro::waitFor(manager.addSplitTunnelApp(kept));
    QCoro::waitFor(manager.addSplitTunnelApp(replaced));
    QCoro::waitFor(manager.enableKillSwitch());
    ASSERT_TRUE(manager.killSwitchEnabled());
    ASSERT_EQ(log().first(), QStringLiteral("分应用代理: 2 个应用已绕过 VPN"));

    ASSERT_TRUE(QFile::remove(replaced));
    ASSERT_TRUE(QFile::link(QStringLiteral("/bin/bash"), replaced));

    // The block loaded again, as at every reconnect, over the kept exemption.
    QCoro::waitFor(manager.enableKillSwitch());
    ASSERT_TRUE(manager.killSwitchEnabled());
    EXPECT_TRUE(log().filter(QStringLiteral("网络锁设置失败")).isEmpty()) << log().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("分应用代理: 未放行 ") + replaced + QStringLiteral(" (")
                               + ExemptedProgram::reasonText(ExemptedProgram::Refusal::sharedLauncher)
                               + QLatin1Char(')')))
        << log().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(log().first(), QStringLiteral("分应用代理: 1 个应用已绕过 VPN"));
    EXPECT_EQ(manager.splitTunnelApps(), (QStringList{kept, replaced})) << "listed until the user removes it";
    {
        ProgramRun shell(replaced);
        ProgramRun other(kept);
        // Both started before the look that moves the other in.
        ASSERT_TRUE(waitFor([&] { return other.exempted(); }));
        EXPECT_FALSE(shell.exempted());
        EXPECT_FALSE(shell.getsOut()) << "a shell through the replaced path";
        EXPECT_TRUE(other.getsOut()) << "the other listed program";
    }
    EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "the block holds";

    // The release of the exemption, then of the block.
    QCoro::waitFor(manager.removeSplitTunnelApp(kept));
    EXPECT_EQ(log().first(), QStringLiteral("分应用代理: 0 个应用已绕过 VPN"));
    EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "the block holds";
    QCoro::waitFor(manager.disableKillSwitch());
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
}

TEST(SplitTunnelInANamespace, AListedProgramReplacedByAShellIsLeftOutAndTheBlockAndTheOtherHold)
{
    runInPrivateNetwork(kReplacedTest, runClientWithAReplacedProgram);
}

} // namespace
