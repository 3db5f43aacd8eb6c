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
    EXPECT_TRUE(world.admin.scripts.isEmpty());
    EXPECT_FALSE(cleanup().reportAlert());
}

// Each step's result as the recording runners answered it.
TEST_F(SystemCleanupTest, EachResultIsReportedTruthfully)
{
    struct Case {
        const char* name;
        bool sudoSwitchOff;
        bool proxyScript;
        bool flush;
        bool removal;
        bool hasService;
        VpnManager::CleanupResult expected;
    };
    const Case cases[] = {
        {"all done", true, true, true, true, true, {true, true, true}},
        {"proxy through the administrator script", false, true, true, true, true, {true, true, true}},
        {"proxy refused", false, false, true, true, true, {false, true, true}},
        {"no network service", true, true, true, true, false, {false, true, true}},
        {"packet filter refused", true, true, false, true, true, {true, false, true}},
        {"sudo entry refused", true, true, true, false, true, {true, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsWorld local;
        local.processes.setHandler([&c](const ProcessRequest& request) -> ProcessResult {
            if (request.arguments == QStringList{QStringLiteral("-listallnetworkservices")})
                return {true, false, 0,
                        "An asterisk (*) denotes that a network service is disabled.\n"
                            + QByteArray(c.hasService ? "Wi-Fi\n" : "")};
            if (request.arguments.contains(QStringLiteral("-setsocksfirewallproxystate")))
                return {true, false, c.sudoSwitchOff ? 0 : 1, {}};
            return {true, false, 0, {}};
        });
        local.admin.handler = [&c](const QString& script) {
            // The removal's script names the sudo entry's file, which holds "networksetup" too.
            bool ok = true;
            if (script.contains(QLatin1String("sudoers")))
                ok = c.removal;
            else if (script.contains(QLatin1String("networksetup")))
                ok = c.proxyScript;
            else if (script.contains(QLatin1String("pfctl")))
                ok = c.flush;
            return AdminScriptResult{ok, {}, {}};
        };
        local.makeView();
        auto& localCleanup = *local.view->cleanup();
        local.view->cleanupButton()->click();
        pressButton(localCleanup.confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return localCleanup.reportAlert() != nullptr; });
        ASSERT_TRUE(localCleanup.reportAlert());
        EXPECT_EQ(localCleanup.reportAlert()->text(), SystemCleanup::report(c.expected));
        EXPECT_TRUE(local.view->cleanupButton()->isEnabled());
    }
}

TEST_F(SystemCleanupTest, AConnectionIsEndedFirst)
{
    world.connect(testNode());
    world.makeView();
    const auto report = cleanUp();
    EXPECT_EQ(report, SystemCleanup::report({true, true, true}));
    EXPECT_EQ(world.vpn->state(), ConnectionState::disconnected);
    const auto lines = world.processes.commandLines();
    const auto stop
        = lines.indexOf(QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setwebproxystate Wi-Fi off"));
    const auto cleanupOff = lines.lastIndexOf(
        QStringLiteral("/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi off"));
    EXPECT_GE(stop, 0);
    EXPECT_GT(cleanupOff, stop) << "the disconnect's commands come first";
}

TEST_F(SystemCleanupTest, TheWindowKeepsRespondingWhileACommandWaits)
{
    world.makeView();
    world.processes.hold([](const ProcessRequest& request) {
        return request.arguments.contains(QStringLiteral("-setsocksfirewallproxystate"));
    });
    world.view->cleanupButton()->click();
    pressButton(cleanup().confirmation(), t("确认清理"));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    UiWorld::waitUntil([&] { return world.processes.waiting() == 1 && timerRan; });
    EXPECT_TRUE(cleanup().isRunning());
    EXPECT_FALSE(world.view->cleanupButton()->isEnabled()) << "no second clean-up meanwhile";
    EXPECT_FALSE(cleanup().reportAlert());
    world.processes.release();
    UiWorld::waitUntil([&] { return cleanup().reportAlert() != nullptr; });
    EXPECT_EQ(cleanup().reportAlert()->text(), SystemCleanup::report({true, true, true}));
}

TEST_F(SystemCleanupTest, TheKillSwitchShowsOffOnceTheCleanUpHasTurnedItOff)
{
    world.settings.setValue(SettingsKeys::killSwitchEnabled, true);
    world.makeView();
    auto* killSwitch = world.view->vpnSection()->toggle(SettingsKeys::killSwitchEnabled);
    ASSERT_TRUE(killSwitch->isChecked());
    EXPECT_EQ(cleanUp(), SystemCleanup::report({true, true, true}));
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::killSwitchEnabled), false);
    EXPECT_FALSE(killSwitch->isChecked()) << "the next connection runs without it, and the form says so";
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
        QWidget window;
        window.resize(600, 900);
        window.show();
        auto* form = insideAWindow ? new SettingsView(local.services(), &window) : &local.makeView();
        form->show();
        local.processes.hold([](const ProcessRequest& request) {
            return request.arguments.contains(QStringLiteral("-setsocksfirewallproxystate"));
        });
        form->cleanupButton()->click();
        pressButton(form->cleanup()->confirmation(), t("确认清理"));
        UiWorld::waitUntil([&] { return local.processes.waiting() == 1; });

        // The language changes: the window builds its content again.
        if (insideAWindow) {
            delete form;
            (new SettingsView(local.services(), &window))->show();
        } else {
            local.view.reset();
        }
        settle();
        local.processes.release();
        UiWorld::waitUntil([&] { return shownReport() != nullptr; });
        auto* report = shownReport();
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(report->text(), SystemCleanup::report({true, true, true}));
        delete report;
        settle();
    }
}

} // namespace
