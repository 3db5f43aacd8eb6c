#include "account_test_support.h"
#include "settings_world.h"

#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "ui/account/system_cleanup.h"
#include "ui/account/vpn_section.h"
#include "ui/common/button.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace {

class SystemCleanupTest : public ::testing::Test {
protected:
    SystemCleanup& cleanup() { return *world.view->cleanup(); }

    // Confirms the clean-up and waits for its report.
    QString cleanUp()
    {
        world.view->cleanupButton()->click();
        pressButton(cleanup().confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return cleanup().reportAlert() != nullptr; });
        if (!cleanup().reportAlert())
            return {};
        EXPECT_EQ(cleanup().reportAlert()->windowTitle(), t("清理完成"));
        return cleanup().reportAlert()->text();
    }

    SettingsWorld world;
};

TEST(SystemCleanupReport, OneLinePerStepInOrder)
{
    EXPECT_EQ(SystemCleanup::report({true, true, true}),
              t("系统代理已关闭") + u'\n' + t("防火墙规则已清除") + u'\n' + t("免密权限已移除"));
    EXPECT_EQ(SystemCleanup::report({false, true, false}),
              t("系统代理清理失败") + u'\n' + t("防火墙规则已清除") + u'\n' + t("免密权限移除失败"));
}

TEST_F(SystemCleanupTest, CancellingChangesNothing)
{
    world.makeView();
    world.view->cleanupButton()->click();
    pressButton(cleanup().confirmation(), t("取消"));
    settle();
    EXPECT_TRUE(world.vpn.cleanups.isEmpty());
    EXPECT_FALSE(cleanup().reportAlert());
}

// The report says what the connection answered, step by step; the sudo entry is always asked to go.
TEST_F(SystemCleanupTest, EachResultIsReportedTruthfully)
{
    struct Case {
        const char* name;
        VpnConnection::CleanupResult answered;
    };
    const Case cases[] = {
        {"all done", {true, true, true}},
        {"proxy refused", {false, true, true}},
        {"packet filter refused", {true, false, true}},
        {"sudo entry refused", {true, true, false}},
        {"nothing done", {false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsWorld local;
        local.vpn.cleanupResult = c.answered;
        local.makeView();
        auto& localCleanup = *local.view->cleanup();
        local.view->cleanupButton()->click();
        pressButton(localCleanup.confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return localCleanup.reportAlert() != nullptr; });
        ASSERT_TRUE(localCleanup.reportAlert());
        EXPECT_EQ(localCleanup.reportAlert()->text(), SystemCleanup::report(c.answered));
        EXPECT_EQ(local.vpn.cleanups, QList<bool>{true});
        EXPECT_TRUE(local.view->cleanupButton()->isEnabled());
    }
}

TEST_F(SystemCleanupTest, OnlyALiveConnectionIsEndedFirst)
{
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "disconnected");
        SettingsWorld local;
        if (connected)
            local.connect(testNode());
        local.makeView();
        auto& localCleanup = *local.view->cleanup();
        // The clean-up notes whether the disconnect had been asked for by the time it runs.
        bool endedBefore = false;
        local.vpn.onCleanup = [vpn = &local.vpn, ended = &endedBefore] {
            *ended = vpn->disconnects == 1;
            return doneAtOnce();
        };
        local.view->cleanupButton()->click();
        pressButton(localCleanup.confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return localCleanup.reportAlert() != nullptr; });
        EXPECT_EQ(local.vpn.disconnects, connected ? 1 : 0);
        EXPECT_EQ(endedBefore, connected);
        EXPECT_EQ(local.vpn.cleanups, QList<bool>{true});
    }
}

TEST_F(SystemCleanupTest, TheWindowKeepsRespondingWhileTheCleanUpRuns)
{
    ManualClock answer;
    world.vpn.onCleanup = [clock = &answer] { return clock->wait(); };
    world.makeView();
    world.view->cleanupButton()->click();
    pressButton(cleanup().confirmation(), t("确认清理"));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    UiWorld::waitUntil([&] { return answer.waiting() == 1 && timerRan; });
    EXPECT_TRUE(cleanup().isRunning());
    EXPECT_FALSE(world.view->cleanupButton()->isEnabled()) << "no second clean-up meanwhile";
    EXPECT_FALSE(cleanup().reportAlert());
    answer.tick();
    UiWorld::waitUntil([&] { return cleanup().reportAlert() != nullptr; });
    EXPECT_EQ(cleanup().reportAlert()->text(), SystemCleanup::report(world.vpn.cleanupResult));
    EXPECT_EQ(world.vpn.cleanups, QList<bool>{true});
}

TEST_F(SystemCleanupTest, TheKillSwitchShowsOffOnceTheCleanUpHasTurnedItOff)
{
    world.settings.setValue(SettingsKeys::killSwitchEnabled, true);
    // As the engine's clean-up does: the wish goes with the rules.
    world.vpn.onCleanup = [settings = &world.settings] {
        settings->setValue(SettingsKeys::killSwitchEnabled, false);
        return doneAtOnce();
    };
    world.vpn.cleanupResult = {true, true, true};
    world.makeView();
    auto* killSwitch = world.view->vpnSection()->toggle(SettingsKeys::killSwitchEnabled);
    ASSERT_TRUE(killSwitch->isChecked());
    EXPECT_EQ(cleanUp(), SystemCleanup::report({true, true, true}));
    EXPECT_FALSE(killSwitch->isChecked()) << "the next connection runs without it, and the form says so";
    EXPECT_TRUE(world.vpn.killSwitchRequests.isEmpty()) << "the form does not act on the change itself";
}

// The clean-up's report on screen, wherever it is.
QMessageBox* shownReport()
{
    for (auto* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box && box->isVisible() && box->windowTitle() == t("清理完成"))
            return box;
    }
    return nullptr;
}

TEST_F(SystemCleanupTest, TheReportReachesTheUserWhenTheFormIsRebuiltMeanwhile)
{
    for (const bool insideAWindow : {true, false}) {
        SCOPED_TRACE(insideAWindow ? "the form inside the main window" : "the form as its own window");
        SettingsWorld local;
        ManualClock answer;
        local.vpn.onCleanup = [clock = &answer] { return clock->wait(); };
        local.vpn.cleanupResult = {true, false, true};
        QWidget window;
        window.resize(600, 900);
        window.show();
        auto* form = insideAWindow ? new SettingsView(local.services(), &window) : &local.makeView();
        form->show();
        form->cleanupButton()->click();
        pressButton(form->cleanup()->confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return answer.waiting() == 1; });

        // The language changes: the window builds its content again. The form that is gone, and
        // its clean-up with it, are not touched when the answer comes.
        if (insideAWindow) {
            delete form;
            (new SettingsView(local.services(), &window))->show();
        } else {
            local.view.reset();
        }
        settle();
        answer.tick();
        UiWorld::waitUntil([&] { return shownReport() != nullptr; });
        auto* report = shownReport();
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(report->text(), SystemCleanup::report({true, false, true}));
        delete report;
        settle();
    }
}

} // namespace
