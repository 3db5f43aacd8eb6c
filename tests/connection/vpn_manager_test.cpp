#include "connection/vpn_error.h"
#include "connection/vpn_manager.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/fakes/recording_process_runner.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/table_row.h"
#include "support/temp_settings.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Type = ConnectionLogEntry::LogType;

class VpnManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<VpnManager> make() { return std::make_unique<VpnManager>(*settings.store, runner, *xray, admin); }

    // The proxy core and the administrator scripts only record: nothing here connects.
    XrayFixture core;
    std::unique_ptr<XrayManager> xray = core.make();
    RecordingAdminScriptRunner admin;
    TempSettings& settings = core.settings;
    RecordingProcessRunner runner;
};

TEST_F(VpnManagerTest, AFreshManagerStartsIdle)
{
    auto manager = make();
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_EQ(manager->trafficDown(), 0);
    EXPECT_EQ(manager->trafficUp(), 0);
    EXPECT_FALSE(manager->connectedNode());
    EXPECT_EQ(manager->connectionDuration(), 0.0);
    EXPECT_EQ(manager->trafficSpeedDown(), 0);
    EXPECT_EQ(manager->trafficSpeedUp(), 0);
    EXPECT_TRUE(manager->trafficHistoryDown().isEmpty());
    EXPECT_TRUE(manager->trafficHistoryUp().isEmpty());
    EXPECT_TRUE(manager->connectionLog().isEmpty());
    EXPECT_FALSE(manager->isProxyRunning());
    EXPECT_FALSE(manager->systemProxyEnabled());
    EXPECT_EQ(manager->proxyMode(), VpnManager::ProxyMode::socks);
    EXPECT_TRUE(manager->autoReconnectEnabled());
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_TRUE(manager->splitTunnelApps().isEmpty());
    EXPECT_EQ(VpnManager::proxyPort, 1080);
    // Creating it runs nothing.
    EXPECT_TRUE(runner.requests.isEmpty());
}

TEST_F(VpnManagerTest, EveryStateAssignmentIsAnnounced)
{
    auto manager = make();
    QSignalSpy changed(manager.get(), &VpnManager::stateChanged);
    published(*manager).setState(ConnectionState::connecting);
    published(*manager).setState(ConnectionState::connecting);
    published(*manager).setState(ConnectionState::disconnected);
    EXPECT_EQ(changed.size(), 3);
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
}

TEST_F(VpnManagerTest, TheProxyModeComesFromItsSettingAndIsStoredInLowerCase)
{
    struct Case {
        std::optional<QJsonValue> stored;
        VpnManager::ProxyMode mode;
    };
    const Case cases[] = {
        {std::nullopt, VpnManager::ProxyMode::socks},
        {QJsonValue(QStringLiteral("tun")), VpnManager::ProxyMode::tun},
        {QJsonValue(QStringLiteral("TUN")), VpnManager::ProxyMode::socks},
        {QJsonValue(QStringLiteral("socks")), VpnManager::ProxyMode::socks},
        {QJsonValue(true), VpnManager::ProxyMode::socks},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        if (c.stored)
            settings.store->setValue(SettingsKeys::proxyMode, *c.stored);
        else
            settings.store->remove(SettingsKeys::proxyMode);
        EXPECT_EQ(make()->proxyMode(), c.mode);
    }
    auto manager = make();
    QSignalSpy changed(manager.get(), &VpnManager::proxyModeChanged);
    manager->setProxyMode(VpnManager::ProxyMode::tun);
    EXPECT_EQ(settings.reopen()->stringValue(SettingsKeys::proxyMode), QStringLiteral("tun"));
    manager->setProxyMode(VpnManager::ProxyMode::tun);
    EXPECT_EQ(changed.size(), 2);
    manager->setProxyMode(VpnManager::ProxyMode::socks);
    EXPECT_EQ(settings.reopen()->stringValue(SettingsKeys::proxyMode), QStringLiteral("socks"));
    EXPECT_EQ(VpnManager::allProxyModes,
              (QList<VpnManager::ProxyMode>{VpnManager::ProxyMode::socks, VpnManager::ProxyMode::tun}));
}

TEST_F(VpnManagerTest, AutoReconnectDefaultsOnAndSurvivesARestart)
{
    auto manager = make();
    EXPECT_TRUE(manager->autoReconnectEnabled());
    manager->setAutoReconnectEnabled(false);
    EXPECT_EQ(settings.reopen()->boolValue(SettingsKeys::autoReconnectEnabled), false);
    EXPECT_FALSE(make()->autoReconnectEnabled());
}

// The core keeps the routing mode: the engine hands the user's choice to it and shows the core's
// mode, the one an earlier run stored and any change the core makes.
TEST_F(VpnManagerTest, TheRoutingModeGoesToTheCoreAndShowsTheCores)
{
    settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
    xray = core.make();
    auto manager = make();
    EXPECT_EQ(manager->routingMode(), QStringLiteral("global"));
    QSignalSpy changed(manager.get(), &VpnConnection::routingModeChanged);
    QCoro::waitFor(manager->setRoutingMode(QStringLiteral("rule")));
    EXPECT_EQ(xray->mode(), QStringLiteral("rule"));
    EXPECT_EQ(manager->routingMode(), QStringLiteral("rule"));
    EXPECT_EQ(changed.size(), 1);
    QCoro::waitFor(xray->setMode(QStringLiteral("global")));
    EXPECT_EQ(manager->routingMode(), QStringLiteral("global"));
}

TEST_F(VpnManagerTest, TheApplicationListIsStoredOnEveryAssignment)
{
    settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray{QStringLiteral("/Applications/Mail.app")});
    auto manager = make();
    // Both start empty in every process, whatever is stored.
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_TRUE(manager->splitTunnelApps().isEmpty());

    const QStringList apps{QStringLiteral("/Applications/A.app"), QStringLiteral("/opt/b/B.app")};
    published(*manager).setSplitTunnelApps(apps);
    EXPECT_EQ(settings.reopen()->value(SettingsKeys::splitTunnelApps).toArray(), QJsonArray::fromStringList(apps));
    EXPECT_EQ(settings.reopen()->boolValue(SettingsKeys::killSwitchEnabled), true) << "the user's choice stays";
}

TEST_F(VpnManagerTest, TheLogKeepsTheNewestHundredEntries)
{
    auto manager = make();
    inside(*manager).addLog(Type::connected, QStringLiteral("已连接到 Tokyo"), QStringLiteral("Tokyo"));
    const auto first = manager->connectionLog().first();
    EXPECT_EQ(first.type, Type::connected);
    EXPECT_EQ(first.nodeName, QStringLiteral("Tokyo"));
    EXPECT_FALSE(first.id.isNull());
    EXPECT_LE(qAbs(first.timestamp.secsTo(QDateTime::currentDateTime())), 5);

    for (int i = 1; i < 100; ++i)
        inside(*manager).addLog(Type::info, QStringLiteral("line %1").arg(i));
    EXPECT_EQ(manager->connectionLog().size(), 100);
    QSignalSpy changed(manager.get(), &VpnManager::connectionLogChanged);
    inside(*manager).addLog(Type::warning, QStringLiteral("line 100"));
    const auto log = manager->connectionLog();
    ASSERT_EQ(log.size(), 100);
    EXPECT_EQ(log.first().message, QStringLiteral("line 100"));
    EXPECT_FALSE(log.first().nodeName);
    EXPECT_EQ(log.last().message, QStringLiteral("line 1")) << "the oldest entry went";
    EXPECT_EQ(changed.size(), 2) << "told of the insertion and of the trimming";
    EXPECT_NE(log[0].id, log[1].id);

    published(*manager).setConnectionLog({});
    EXPECT_TRUE(manager->connectionLog().isEmpty());
}

TEST(VpnManagerFormatting, DurationsReadAsClockTimes)
{
    struct Case {
        double seconds;
        const char* text;
    };
    // A clock that went backwards, or no start at all, reads as zero.
    for (const auto& c :
         {Case{59.9, "00:59"}, Case{60, "01:00"}, Case{65, "01:05"}, Case{754, "12:34"}, Case{3599, "59:59"},
          Case{3599.99, "59:59"}, Case{3600, "1:00:00"}, Case{3661, "1:01:01"}, Case{3725, "1:02:05"},
          Case{90000, "25:00:00"}, Case{0.5, "00:00"}, Case{0, "00:00"}, Case{-3, "00:00"}, Case{std::nan(""), "00:00"},
          Case{std::numeric_limits<double>::infinity(), "00:00"}})
        EXPECT_EQ(VpnManager::formatDuration(c.seconds), QLatin1String(c.text)) << c.seconds;
}

TEST(VpnErrors, AProxyStartFailureDescribesItself)
{
    const auto error = VpnError::proxyStartFailed(1);
    EXPECT_EQ(error.kind(), VpnError::Kind::proxyStartFailed);
    EXPECT_EQ(error.description(), QStringLiteral("SOCKS5 代理启动失败: 1"));
    EXPECT_STREQ(error.what(), "SOCKS5 代理启动失败: 1");
}

} // namespace
