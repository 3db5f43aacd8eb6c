// Programs let out past the kill switch, for real: the administrator scripts run as root through
// the pfctl stand-in in the client namespace of kill_switch_network.h. The application (this
// process) and the programs run as the same user; only the listed program, and what it starts,
// gets out.
#include "kill_switch_network.h"
#include "platform/exempted_program.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace KillSwitchNetwork;

const QString kTest = QStringLiteral("SplitTunnelInANamespace.TheListedProgramAndWhatItStartsGetOutOnlyWithTheBlock");
const QString kNobody = QStringLiteral("65534");
const QString kGroupMark = QStringLiteral("velmorand-split-");

// A copy of `original` at `path`, reachable and runnable by everyone: a program of its own, which
// the exemption tells apart from every other by its file.
bool installProgram(const QTemporaryDir& dir, const QString& path, const QString& original = QStringLiteral("/bin/bash"))
{
    if (!QDir().mkpath(QFileInfo(path).path()) || !QFile::copy(original, path))
        return false;
    for (auto at = path; at.startsWith(dir.path()); at = QFileInfo(at).path())
        QFile::setPermissions(at, QFile::permissions(at) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    return true;
}

// Copies of bash at the names below the folder, with control groups mounted in this test's own
// mount namespace, as a desktop has them; their paths, or none where that failed.
QStringList programsWithControlGroups(const QTemporaryDir& folder, const QStringList& names)
{
    if (::mount("cgroup2", "/sys/fs/cgroup", "cgroup2", 0, nullptr) != 0) {
        ADD_FAILURE() << "mounting the control groups: " << std::strerror(errno);
        return {};
    }
    QStringList paths;
    for (const auto& name : names) {
        paths.append(folder.filePath(name));
        if (!installProgram(folder, paths.last())) {
            ADD_FAILURE() << "installing " << paths.last().toStdString();
            return {};
        }
    }
    return paths;
}

// The control group of the process (its /proc/PID/cgroup file), as the kernel names it.
QString groupIn(const QString& file)
{
    QFile groups(file);
    if (!groups.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(groups.readAll()).section(QStringLiteral("0::"), 1).trimmed();
}

// Opens a TCP connection to the other host and prints the greeting it gets.
const QString kConnect = QStringLiteral("exec 3<>/dev/tcp/%1/%2 && head -n 1 <&3").arg(otherHost).arg(tcpPort);
// Starts an interpreter of its own (the system's bash) that does the same as soon as it runs, and
// stays. (The interpreter is not the last command, so that the shell forks it rather than becoming
// it.)
const QString kStartAnInterpreterThatConnects = QStringLiteral("/bin/bash -c '%1'; read -r _").arg(kConnect);
// Starts an interpreter that says so, and connects once told to go.
const QString kStartAnInterpreterThatWaits
    = QStringLiteral("/bin/bash -c 'echo started; read -r _; %1'; read -r _").arg(kConnect);

struct Start {
    QString program;
    QStringList arguments;
};

// A bash (a copy: `executable`) that, once told to go, runs the command: by default the
// connection above.
Start bashRun(const QString& executable, const QString& command = kConnect)
{
    return {executable, {QStringLiteral("-c"), QStringLiteral("read -r _; ") + command}};
}

// Another file shown under the listed program's name, in a mount namespace of its own, run as
// the listed program is.
Start underTheListedName(const QString& listed, const QString& other)
{
    const auto script = QStringLiteral("mount --bind \"$1\" \"$2\" && exec \"$2\" -c 'read -r _; %1'").arg(kConnect);
    return {QStringLiteral("unshare"),
            {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
             QStringLiteral("/bin/sh"), QStringLiteral("-c"), script, QStringLiteral("sh"), other, listed}};
}

// One run of a program; its output is what it says.
class ProgramRun {
public:
    // As the user id, or as this process's user when empty.
    explicit ProgramRun(const Start& start, const QString& user = {})
    {
        if (user.isEmpty())
            m_process.start(start.program, start.arguments);
        else
            m_process.start(QStringLiteral("setpriv"),
                            QStringList{QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + user,
                                        QStringLiteral("--clear-groups"), start.program}
                                + start.arguments);
        m_process.waitForStarted();
    }
    ~ProgramRun()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Its control group, as the kernel names it.
    QString group() const { return groupIn(QStringLiteral("/proc/%1/cgroup").arg(m_process.processId())); }
    // Whether it is kept where the table lets it out.
    bool exempted() const { return group().contains(kGroupMark); }

    // Whether it says the line within the time.
    bool says(const QByteArray& line, int patienceMs = 2000)
    {
        while (!m_said.contains(line) && m_process.waitForReadyRead(patienceMs))
            m_said += m_process.readAllStandardOutput();
        const bool said = m_said.contains(line);
        m_said.clear();
        return said;
    }
    void tell() { m_process.write("go\n"); }
    // Tells it to go; whether the greeting comes. Answers come at once here: a wait is a block.
    bool getsOut(int patienceMs = 2000)
    {
        tell();
        return says("hello\n", patienceMs);
    }

private:
    QProcess m_process;
    QByteArray m_said;
};

// The level of the hierarchy that the table matches: our group, whichever program's part of it.
QString ownGroupOf(const ProgramRun& run) { return run.group().section(QLatin1Char('/'), 0, 1); }

void runClient()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";

    QTemporaryDir programs;
    const auto bundle = programs.filePath(QStringLiteral("Split Test.app"));
    const QString listed = bundle + QStringLiteral("/Contents/MacOS/splittest");
    const QString launcher = bundle + QStringLiteral("/Contents/MacOS/launcher");
    const auto other = programs.filePath(QStringLiteral("Other Tool/othertool"));
    ASSERT_TRUE(installProgram(programs, listed));
    ASSERT_TRUE(installProgram(programs, launcher, QStringLiteral(VELMORAND_CLONE_PARENT)));
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
        ProgramRun unmatched(bashRun(listed));
        EXPECT_FALSE(unmatched.getsOut()) << "the block stays whole without the means";
    }
    QCoro::waitFor(manager.disableKillSwitch());
    ASSERT_FALSE(manager.killSwitchEnabled());

    // Mounted in this test's own mount namespace, as a desktop has it.
    ASSERT_EQ(::mount("cgroup2", "/sys/fs/cgroup", "cgroup2", 0, nullptr), 0) << std::strerror(errno);
    ProgramRun startedBefore(bashRun(listed));
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
        Start start;
        QString user;
        bool getsOut;
    };
    const Case cases[] = {
        {"another program of the same user", bashRun(other), {}, false},
        {"the listed program run by another user", bashRun(listed), kNobody, false},
        {"another file shown under the listed program's name", underTheListedName(listed, other), {}, false},
        {"the listed program started after the rules", bashRun(listed), {}, true},
    };
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const auto& c : cases)
        runs.push_back(std::make_unique<ProgramRun>(c.start, c.user));
    // The listed program started last is moved in by the same look that saw the others.
    ASSERT_TRUE(waitFor([&] { return runs.back()->exempted() && startedBefore.exempted(); }));
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(runs[i]->exempted(), cases[i].getsOut);
        EXPECT_EQ(runs[i]->getsOut(), cases[i].getsOut);
    }
    EXPECT_TRUE(startedBefore.getsOut()) << "a listed program already running when the rules came";

    // What the listed program starts goes out with it, however it is started and however soon it
    // connects: an interpreter forked that connects at once, and a program made with
    // clone(CLONE_PARENT), which the kernel reports as the listed program's sibling.
    std::vector<std::unique_ptr<ProgramRun>> starters;
    for (int i = 0; i < 10; ++i) {
        starters.push_back(std::make_unique<ProgramRun>(bashRun(listed, kStartAnInterpreterThatConnects)));
        starters.push_back(std::make_unique<ProgramRun>(
            Start{launcher, {QStringLiteral("/bin/bash"), QStringLiteral("-c"), kConnect}}));
    }
    const auto allExempted = [&] {
        return std::all_of(starters.cbegin(), starters.cend(), [](const auto& run) { return run->exempted(); });
    };
    ASSERT_TRUE(waitFor(allExempted));
    const auto startedGotOut
        = std::count_if(starters.cbegin(), starters.cend(), [](const auto& run) { return run->getsOut(); });
    EXPECT_EQ(startedGotOut, 20) << "of 10 forked interpreters and 10 cloned ones, started by the listed program";
    EXPECT_TRUE(allExempted()) << "the listed programs stay let out";
    ASSERT_TRUE(prober.probedAtLeast(exempting, 20));

    // The exemption goes with the block, and leaves nothing behind.
    ProgramRun afterRelease(bashRun(listed, kStartAnInterpreterThatWaits));
    ASSERT_TRUE(waitFor([&] { return afterRelease.exempted(); }));
    const auto ownGroup = ownGroupOf(afterRelease);
    afterRelease.tell();
    ASSERT_TRUE(afterRelease.says("started\n"));
    prober.enter(releasing);
    QCoro::waitFor(manager.disableKillSwitch());
    prober.enter(released);
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
    EXPECT_FALSE(afterRelease.exempted()) << "moved back where it came from";
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/sys/fs/cgroup") + ownGroup)) << ownGroup.toStdString();
    EXPECT_TRUE(afterRelease.getsOut()) << "its interpreter, with the block gone";
    ASSERT_TRUE(prober.probedAtLeast(released, 20));

    std::printf("%s\n", qPrintable(prober.report()));
    EXPECT_EQ(prober.count(exempting).gotOut, 0) << "the application itself stays blocked";
    EXPECT_EQ(prober.count(released).gotOut, prober.count(released).tried) << prober.report().toStdString();
}

TEST(SplitTunnelInANamespace, TheListedProgramAndWhatItStartsGetOutOnlyWithTheBlock)
{
    runInPrivateNetwork(kTest, runClient);
}

} // namespace

namespace {

const QString kAfterACrashTest
    = QStringLiteral("SplitTunnelInANamespace.AnExemptionAKilledRunLeftIsTakenOverAndGoesWithTheEmptiedList");

// A run killed with listed programs let out past its block leaves both loaded. The next launch,
// the kill switch still chosen, takes both over: each program, and what it started, gets out
// until the user takes it off the list, and from then on is blocked like everything else.
void runClientAfterACrash()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    QTemporaryDir folder;
    const auto programs = programsWithControlGroups(
        folder, {QStringLiteral("Listed Tool/listedtool"), QStringLiteral("Kept Tool/kepttool")});
    ASSERT_EQ(programs.size(), 2);
    const auto& listed = programs[0];
    const auto& kept = programs[1];

    // The run that gets killed: it never acts again, and its rules stay with the root side.
    ManagerAtTheNode killed;
    auto& settings = *killed.coreFixture.settings.store;
    settings.setValue(SettingsKeys::killSwitchEnabled, true);
    QCoro::waitFor(killed.manager.addSplitTunnelApp(listed));
    QCoro::waitFor(killed.manager.addSplitTunnelApp(kept));
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
    EXPECT_EQ(launch.splitTunnelApps(), (QStringList{listed, kept}));
    {
        ProgramRun takenOver(bashRun(listed));
        ASSERT_TRUE(waitFor([&] { return takenOver.exempted(); }));
        EXPECT_TRUE(takenOver.getsOut()) << "the list as it stands is let out";
    }

    // Each has started an interpreter of its own while listed.
    ProgramRun runningAtTheChange(bashRun(listed, kStartAnInterpreterThatWaits));
    ProgramRun stillListed(bashRun(kept, kStartAnInterpreterThatWaits));
    for (auto* run : {&runningAtTheChange, &stillListed}) {
        ASSERT_TRUE(waitFor([&] { return run->exempted(); }));
        run->tell();
        ASSERT_TRUE(run->says("started\n"));
    }
    QCoro::waitFor(launch.removeSplitTunnelApp(listed));
    EXPECT_TRUE(waitFor([&] { return !runningAtTheChange.exempted(); })) << "moved back where it came from";
    EXPECT_FALSE(runningAtTheChange.getsOut()) << "what it started goes back with it. " << log();
    EXPECT_TRUE(stillListed.exempted());
    EXPECT_TRUE(stillListed.getsOut()) << "what the program still listed started stays let out";
    ProgramRun startedAfter(bashRun(listed));
    EXPECT_FALSE(startedAfter.getsOut()) << "a program taken off the list is let out no more";
    EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "the block holds";

    QCoro::waitFor(launch.removeSplitTunnelApp(kept));
    EXPECT_TRUE(waitFor([&] { return !stillListed.exempted(); })) << "the emptied list exempts nothing";
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
    QTemporaryDir folder;
    const auto programs = programsWithControlGroups(
        folder, {QStringLiteral("Kept Tool/kepttool"), QStringLiteral("Replaced Tool/replacedtool")});
    ASSERT_EQ(programs.size(), 2);
    const auto& kept = programs[0];
    const auto& replaced = programs[1];

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
        ProgramRun shell(bashRun(replaced));
        ProgramRun other(bashRun(kept));
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

const QString kWatcherKilledTest
    = QStringLiteral("SplitTunnelInANamespace.AKilledWatcherLetsNothingNewOutAndTheReleaseLeavesNothing");

// The process that holds the file open, or 0.
qint64 holderOf(const QString& file)
{
    for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir descriptors(QStringLiteral("/proc/") + entry + QStringLiteral("/fd"));
        for (const auto& fd : descriptors.entryList(QDir::Files | QDir::System))
            if (QFile::symLinkTarget(descriptors.filePath(fd)) == file)
                return entry.toLongLong();
    }
    return 0;
}

bool ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

// The watcher killed outright: what it had let out stays so, nothing is held still, nothing new
// gets out, and turning the kill switch off sends everything back and removes the group.
void runClientWithTheWatcherKilled()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    QTemporaryDir folder;
    const auto programs = programsWithControlGroups(
        folder, {QStringLiteral("Listed Tool/listedtool"), QStringLiteral("Other Tool/othertool")});
    ASSERT_EQ(programs.size(), 2);
    const auto& listed = programs[0];
    const auto& other = programs[1];

    ManagerAtTheNode atTheNode;
    auto& manager = atTheNode.manager;
    QCoro::waitFor(manager.addSplitTunnelApp(listed));
    QCoro::waitFor(manager.enableKillSwitch());
    ASSERT_TRUE(manager.killSwitchEnabled());
    const auto cameFrom = groupIn(QStringLiteral("/proc/self/cgroup"));
    ProgramRun before(bashRun(listed, kStartAnInterpreterThatWaits));
    ASSERT_TRUE(waitFor([&] { return before.exempted(); }));
    const QString group = QStringLiteral("/sys/fs/cgroup") + ownGroupOf(before);

    const auto watcher
        = holderOf(qEnvironmentVariable("VELMORAND_PF_STATE_DIR") + QStringLiteral("/watcher.lock"));
    ASSERT_GT(watcher, 0) << "a program watcher runs";
    ASSERT_EQ(::kill(pid_t(watcher), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return ended(watcher); }));

    // The listed one, started before, runs on, and so does what it starts.
    before.tell();
    EXPECT_TRUE(before.says("started\n")) << "nothing is held still";
    EXPECT_TRUE(before.getsOut());
    for (const auto& directory : QStringList{group, group + QLatin1Char('/') + QFileInfo(before.group()).fileName()}) {
        QFile events(directory + QStringLiteral("/cgroup.events"));
        ASSERT_TRUE(events.open(QIODevice::ReadOnly)) << directory.toStdString();
        EXPECT_TRUE(events.readAll().contains("frozen 0")) << directory.toStdString();
    }
    ProgramRun unrelated(bashRun(other));
    EXPECT_FALSE(unrelated.getsOut()) << "an unrelated program stays blocked";
    ProgramRun startedAfter(bashRun(listed));
    EXPECT_FALSE(startedAfter.getsOut()) << "nobody lets a program out any more";

    QCoro::waitFor(manager.disableKillSwitch());
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_FALSE(QFileInfo::exists(group)) << "no control group is left behind";
    EXPECT_EQ(before.group(), cameFrom) << "moved back where it came from";
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
}

TEST(SplitTunnelInANamespace, AKilledWatcherLetsNothingNewOutAndTheReleaseLeavesNothing)
{
    runInPrivateNetwork(kWatcherKilledTest, runClientWithTheWatcherKilled);
}

} // namespace
