// A refused administrator prompt is the user's answer for the whole action it came in: no other
// prompt follows within it, what holds afterwards is published, and the next action asks again.
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"

#include <QJsonArray>

#include <QCoroTask>

namespace {

const QString kServiceAddress = QStringLiteral("192.0.2.50");

AdminScriptResult dismissed()
{
    return {false, {}, QStringLiteral("dismissed"), AdminScriptResult::Refusal::notAuthorized};
}

class RefusedPromptTest : public EngineTest {
protected:
    // Connected to Tokyo with the kill switch's rules loaded.
    void connectedWithTheBlock()
    {
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
        ASSERT_FALSE(connectTo(tokyo));
        ASSERT_TRUE(manager->killSwitchEnabled());
    }

    // A launch after a run killed with its rules loaded, the block without a tunnel taken over
    // and a program listed to bypass it.
    void launchedAfterACrash(bool blockLoaded)
    {
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
        core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
        core.settings.store->setValue(SettingsKeys::splitTunnelApps,
                                      QJsonArray{QStringLiteral("/usr/bin/mail-client")});
        manager = makeManager(timings());
        manager->setServiceHosts([] { return QStringList{kServiceAddress}; });
        if (blockLoaded)
            QCoro::waitFor(manager->recoverLeftoverKillSwitch());
    }

    const Node tokyo = node(1, QStringLiteral("Tokyo"), QStringLiteral("203.0.113.7"));
    const Node seoul = node(2, QStringLiteral("Seoul"), QStringLiteral("198.51.100.9"));
};

TEST_F(RefusedPromptTest, OneRefusalAsksNoMoreWithinTheActionAndTheBlockOfBeforeIsShown)
{
    struct Case {
        const char* action;
        std::function<void()> before;
        std::function<void()> act;
    };
    const auto switchToSeoul = [this] {
        const auto failure = connectTo(seoul);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind(), VpnError::Kind::killSwitchNotReloaded);
    };
    const Case cases[] = {
        {"a switch to another node", [this] { connectedWithTheBlock(); }, switchToSeoul},
        {"a connect while the block holds without a tunnel", [this] { launchedAfterACrash(true); }, switchToSeoul},
        {"a switch after the kill switch was turned off",
         [this] {
             connectedWithTheBlock();
             core.settings.store->setValue(SettingsKeys::killSwitchEnabled, false);
         },
         switchToSeoul},
        {"a disconnect", [this] { connectedWithTheBlock(); }, [this] { QCoro::waitFor(manager->disconnect()); }},
        {"the take-over at launch",
         [this] { launchedAfterACrash(false); },
         [this] { QCoro::waitFor(manager->recoverLeftoverKillSwitch()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        manager = makeManager(timings());
        admin.handler = {};
        c.before();
        admin.scripts.clear();
        admin.handler = [](const QString&) { return dismissed(); };
        const auto earlier = messages().size();
        c.act();
        EXPECT_EQ(admin.scripts.size(), 1) << admin.scripts.join(QStringLiteral("\n----\n")).toStdString();
        EXPECT_FALSE(messages().mid(earlier).contains(QStringLiteral("🔒 网络锁仍在生效,仅放行本应用的服务请求")));
        EXPECT_EQ(manager->state(), ConnectionState::disconnected) << "no dead tunnel shown as connected";
        EXPECT_TRUE(manager->killSwitchEnabled()) << "the rules of before hold, and the screens show the block";

        // The next action is another answer to ask for.
        admin.scripts.clear();
        admin.handler = {};
        EXPECT_FALSE(connectTo(seoul));
        EXPECT_FALSE(admin.scripts.isEmpty());
        EXPECT_EQ(manager->state(), ConnectionState::connected);
        QCoro::waitFor(manager->disconnect());
    }
}

} // namespace
