// The exemption of listed programs that a killed run left loaded beside its block: the next
// launch takes it over with the block or releases both, and an emptied list removes it; known
// through a marker written before every load, as the scripts record it.
#include "connection/packet_filter_scripts.h"
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/table_row.h"

#include <QJsonArray>

#include <QCoroTask>

#include <unistd.h>

namespace {

const QString kMail = QStringLiteral("/usr/bin/mail-client");
const QString kChat = QStringLiteral("/opt/chat");

class LeftoverExemptionTest : public EngineTest {
protected:
    QString splitRulesFor(const QStringList& programs) const
    {
        return PacketFilterScripts::splitRules(programs, quint32(::getuid()));
    }

    bool marked() const { return core.settings.reopen()->contains(SettingsKeys::splitTunnelRulesLoaded); }
};

TEST_F(LeftoverExemptionTest, TheMarkerIsWrittenBeforeAnExemptionLoadsAndGoesWithIt)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray{kMail});
    manager = makeManager(timings());
    std::atomic<bool> markedWhileLoading{false};
    admin.handler = [&](const QString& script) {
        if (script.contains(PacketFilterScripts::splitAnchor + QStringLiteral(" -f")))
            markedWhileLoading = marked();
        return AdminScriptResult{true, {}, {}};
    };
    ASSERT_FALSE(connectTo(testNode()));
    ASSERT_EQ(admin.scripts.last(), splitRulesFor({kMail}));
    EXPECT_TRUE(markedWhileLoading) << "a run killed while the exemption loads leaves it loaded";

    QCoro::waitFor(manager->removeSplitTunnelApp(kMail));
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::splitStop());
    EXPECT_FALSE(marked()) << "removed with the last program";

    QCoro::waitFor(manager->addSplitTunnelApp(kChat));
    EXPECT_TRUE(marked());
    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::splitAndKillSwitchStop());
    EXPECT_FALSE(marked()) << "released with the block";
}

TEST_F(LeftoverExemptionTest, ALaunchTakesItOverWithTheBlockOrReleasesBoth)
{
    struct Case {
        const char* name;
        bool chosen;
        bool blockLeft;
        QStringList listNow;
        QStringList scripts;
        bool heldAfter;
    };
    const Case cases[] = {
        {"taken over for the list", true, true, {kMail, kChat}, {splitRulesFor({kMail, kChat})}, true},
        {"taken over, the list emptied since", true, true, {}, {PacketFilterScripts::splitStop()}, true},
        {"the kill switch turned off since",
         false,
         true,
         {kMail},
         {PacketFilterScripts::splitAndKillSwitchStop()},
         false},
        {"no block beside it", true, false, {kMail}, {PacketFilterScripts::splitAndKillSwitchStop()}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, c.chosen);
        core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray::fromStringList(c.listNow));
        core.settings.store->setValue(SettingsKeys::splitTunnelRulesLoaded, true);
        if (c.blockLeft)
            core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
        else
            core.settings.store->remove(SettingsKeys::killSwitchRulesLoaded);
        manager = makeManager(timings());
        admin.scripts.clear();
        QCoro::waitFor(manager->recoverLeftoverKillSwitch());
        EXPECT_EQ(admin.scripts, c.scripts);
        EXPECT_EQ(manager->killSwitchEnabled(), c.heldAfter);
        EXPECT_EQ(marked(), !c.listNow.isEmpty() && c.heldAfter);
        EXPECT_EQ(core.settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded), c.heldAfter);
    }
}

TEST_F(LeftoverExemptionTest, EmptyingTheListAfterALaunchRemovesTheExemptionItTookOver)
{
    // The killed run exempted the mail client; the list is unchanged at the new launch.
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    core.settings.store->setValue(SettingsKeys::splitTunnelApps, QJsonArray{kMail});
    core.settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
    core.settings.store->setValue(SettingsKeys::splitTunnelRulesLoaded, true);
    manager = makeManager(timings());
    QCoro::waitFor(manager->recoverLeftoverKillSwitch());
    admin.scripts.clear();

    QCoro::waitFor(manager->removeSplitTunnelApp(kMail));
    EXPECT_EQ(admin.scripts, QStringList{PacketFilterScripts::splitStop()});
    EXPECT_FALSE(marked());
    EXPECT_TRUE(manager->killSwitchEnabled()) << "the block stays";
}

} // namespace
