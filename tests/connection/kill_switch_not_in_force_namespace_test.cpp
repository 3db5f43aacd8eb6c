// The kill switch chosen where the root side will not load its rules: an install whose tools
// other users could change (a per-user install, a build below /tmp). The connection is made, no
// rule is loaded and traffic goes out directly: what the connection publishes must say so, with
// the reason. In the client namespace of kill_switch_network.h.
#include "connection/vpn_error.h"
#include "kill_switch_network.h"
#include "platform/linux/linux_admin_script_runner.h"
#include "platform/linux/stand_ins.h"
#include "platform/settings_keys.h"
#include "real_engine.h"
#include "support/private_network.h"
#include "support/root_script_runner.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "xray_test_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace KillSwitchNetwork;

const QString kTest = QStringLiteral("KillSwitchNotInForce.AnUntrustedInstallConnectsWithTheLockOpenAndSaysSo");

void runClientOfAnUntrustedInstall()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    // The build's stand-ins in a folder every user can write to.
    QTemporaryDir install;
    ASSERT_TRUE(install.isValid());
    StagedRootStandIns::copyInto(StandIns::rootDirectory(), install.path());
    ASSERT_TRUE(QFile::setPermissions(install.path(), QFileDevice::Permissions(0x7777)));
    LinuxAdminScriptRunner untrusted(install.path());

    XrayFixture core;
    core.installCore();
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    auto xray = core.make();
    const auto processes = ProcessRunner::makeNative();
    VpnManager manager(*core.settings.store, *processes, *xray, untrusted);
    const auto log = [&] { return logMessages(manager).join(QLatin1Char('\n')).toStdString(); };

    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(testNode(node)))) << log();
    EXPECT_EQ(manager.state(), ConnectionState::connected);
    EXPECT_FALSE(manager.killSwitchEnabled()) << log();
    EXPECT_FALSE(nftRuleset().contains(QStringLiteral("table inet velmorand"))) << nftRuleset().toStdString();
    EXPECT_TRUE(tcpReaches(otherHost, tcpPort)) << "direct traffic gets out";
    EXPECT_EQ(manager.killSwitchNotInForce(), QStringLiteral("当前安装位置不受信任，请安装到系统目录")) << log();

    QCoro::waitFor(manager.disconnect());
    EXPECT_TRUE(manager.killSwitchNotInForce().isEmpty());
}

TEST(KillSwitchNotInForce, AnUntrustedInstallConnectsWithTheLockOpenAndSaysSo)
{
    runInPrivateNetwork(kTest, runClientOfAnUntrustedInstall);
}

} // namespace
