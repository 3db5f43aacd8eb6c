#include "app/app_context.h"

#include "connection/packet_filter_scripts.h"
#include "platform/settings_keys.h"
#include "platform/text_table.h"
#include "support/fake_app_environment.h"
#include "support/vpn_manager_test_access.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The whole context over fakes: nothing it builds reaches the system or the network.
class AppContextTest : public ::testing::Test {
protected:
    AppContext::Environment fakeEnvironment(QStringList domainPool = {QStringLiteral("http://127.0.0.1:9")})
    {
        return fakeAppEnvironment(dir, std::move(domainPool));
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(AppContextTest, TheEngineAnnouncesThroughTheHub)
{
    AppContext context(fakeEnvironment());
    QSignalSpy stateChanges(&context.notifier(), &AppEvents::vpnStateChanged);
    QSignalSpy kernelLog(&context.notifier(), &AppEvents::kernelLog);

    // Every assignment, also of the same state.
    published(context.vpnManager()).setState(ConnectionState::connecting);
    published(context.vpnManager()).setState(ConnectionState::connecting);
    EXPECT_EQ(stateChanges.size(), 2);

    emit context.xray().kernelLog(QStringLiteral("core output"));
    ASSERT_EQ(kernelLog.size(), 1);
    EXPECT_EQ(kernelLog.first().first().toString(), QStringLiteral("core output"));
}

TEST_F(AppContextTest, ASuccessfulConnectBecomesARecentNode)
{
    AppContext context(fakeEnvironment());
    emit context.vpnManager().nodeConnected(7);
    emit context.vpnManager().nodeConnected(3);
    EXPECT_EQ(context.appState().recentNodeIds(), (QList<qint64>{3, 7}));
}

TEST_F(AppContextTest, LookupsFollowTheContextsLanguageWhileItLives)
{
    {
        AppContext context(fakeEnvironment());
        QSignalSpy posts(&context.notifier(), &AppEvents::languageChanged);
        context.languageManager().setLanguage(AppLanguage::en);
        EXPECT_EQ(posts.size(), 2);
        EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("Navigation"));
        EXPECT_EQ(context.settings().stringValue(SettingsKeys::appLanguage), QStringLiteral("en"));
    }
    EXPECT_EQ(i18n::tr(QStringLiteral("导航")), QStringLiteral("导航")) << "Chinese once the context is gone";
}

TEST_F(AppContextTest, ABlockLeftByAKilledRunLetsTheServiceOutSoThatTheUserCanSignIn)
{
    // The service's second domain, never asked: nothing here sends a request.
    AppContext context(
        fakeEnvironment({QStringLiteral("http://127.0.0.1:9"), QStringLiteral("https://198.51.100.20")}));
    context.settings().setValue(SettingsKeys::killSwitchEnabled, true);
    context.settings().setValue(SettingsKeys::killSwitchRulesLoaded, true);
    auto& admin = dynamic_cast<RecordingAdminScriptRunner&>(context.adminScripts());

    QCoro::waitFor(context.vpnManager().recoverLeftoverKillSwitch());
    EXPECT_TRUE(context.vpnManager().killSwitchEnabled());
    ASSERT_FALSE(admin.scripts.isEmpty()) << "the killed run's rules let out only its node";
    EXPECT_TRUE(admin.scripts.last().contains(QStringLiteral("pass out quick proto tcp to 198.51.100.20\n")));
}

TEST_F(AppContextTest, ABlockWithoutATunnelLetsOutTheServiceAndTheNodesTheApplicationLists)
{
    auto environment = fakeEnvironment();
    const auto& scripts = static_cast<RecordingAdminScriptRunner&>(*environment.adminScripts).scripts;
    {
        // A run killed with the kill switch chosen and its rules loaded.
        SettingsStore settings(environment.settingsPath);
        settings.setValue(SettingsKeys::killSwitchEnabled, true);
        settings.setValue(SettingsKeys::killSwitchRulesLoaded, true);
    }
    AppContext context(std::move(environment));
    QCoro::waitFor(context.vpnManager().recoverLeftoverKillSwitch());
    ASSERT_EQ(scripts, QStringList{PacketFilterScripts::killSwitchStart({QStringLiteral("127.0.0.1")})})
        << "the service's host from the pool";

    Node listed;
    listed.id = 1;
    listed.server = QStringLiteral("203.0.113.30");
    listed.port = 443;
    context.appState().setNodes({listed});
    QCoro::waitFor(context.vpnManager().rulesSettled());
    EXPECT_EQ(
        scripts.last(),
        PacketFilterScripts::killSwitchStart({QStringLiteral("127.0.0.1")}, {{QStringLiteral("203.0.113.30"), 443}}));
}

TEST_F(AppContextTest, TheCoreConfigurationACrashedRunLeftGoesAtLaunchUnlessAnotherUsersFile)
{
    struct Case {
        const char* what;
        bool othersFile;
        bool stays;
    };
    const Case cases[] = {{"this user's, with a node's password", false, false},
                          {"another user's", true, true}};
    const auto config = dir.filePath(QStringLiteral("xray/config.json"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.othersFile && ::geteuid() != 0)
            continue; // only root can give a file away
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("xray"))));
        QFile left(config);
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
        left.write(R"({"outbounds":[{"settings":{"servers":[{"password":"secret"}]}}]})");
        left.close();
        if (c.othersFile) {
            ASSERT_EQ(::chown(QFile::encodeName(config).constData(), 65534, 65534), 0);
        }
        AppContext context(fakeEnvironment());
        EXPECT_EQ(QFileInfo::exists(config), c.stays);
        QFile::remove(config);
    }
}
