#include "account_test_support.h"
#include "outside_text.h"
#include "settings_world.h"

#include "platform/settings_keys.h"
#include "support/screenshot.h"
#include "ui/account/dns_section.h"
#include "ui/account/settings_form.h"
#include "ui/account/vpn_section.h"
#include "ui/common/button.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <functional>

namespace {

// The rules load or go as asked, at once, as the engine does when the user allows it.
std::function<QCoro::Task<>(bool)> rulesLoadAsAsked(FakeVpnConnection& vpn)
{
    return [vpn = &vpn](bool on) {
        vpn->setKillSwitchLoaded(on);
        return doneAtOnce();
    };
}

// An administrator prompt that stays open until `prompt` ticks; the rules load once it is
// answered when `loads`.
QCoro::Task<> answeredPrompt(ManualClock* prompt, FakeVpnConnection* vpn, bool loads)
{
    co_await prompt->wait();
    if (loads)
        vpn->setKillSwitchLoaded(true);
}

class SettingsViewTest : public ::testing::Test {
protected:
    QCheckBox* toggle(const QString& key) { return world.view->vpnSection()->toggle(key); }

    SettingsWorld world;
};

TEST_F(SettingsViewTest, AFreshInstallationShowsTheDefaults)
{
    auto& view = world.makeView();
    EXPECT_EQ(view.themePicker()->value(), QStringLiteral("system"));
    EXPECT_EQ(view.accentPicker()->value(), QStringLiteral("blue"));
    EXPECT_EQ(view.languagePicker()->value(), QStringLiteral("zh"));
    EXPECT_EQ(view.vpnSection()->proxyModePicker()->value(), QStringLiteral("socks"));
    EXPECT_EQ(view.vpnSection()->routingPicker()->value(), QStringLiteral("rule"));
    struct Case {
        QString key;
        bool on;
    };
    const Case cases[] = {
        {SettingsKeys::connectionNotifications, true}, {SettingsKeys::showMenuBar, true},
        {SettingsKeys::autoReconnectEnabled, true},    {SettingsKeys::killSwitchEnabled, false},
        {SettingsKeys::openOnConnect, false},          {SettingsKeys::autoConnect, false},
        {SettingsKeys::autoFastestNode, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toggle(c.key)->isChecked(), c.on) << c.key.toStdString();
    EXPECT_FALSE(view.touchIdToggle()->isChecked());
    EXPECT_FALSE(view.launchOnLoginToggle()->isChecked());
    EXPECT_TRUE(view.dnsSection()->field()->text().isEmpty());
    EXPECT_EQ(view.dnsSection()->hint()->text(), t("留空使用系统默认 DNS"));
    EXPECT_TRUE(view.vpnSection()->killSwitchWarning()->isHidden());
    EXPECT_EQ(view.findChild<QWidget*>(QStringLiteral("goSignIn"))->isEnabled(), true);
}

TEST_F(SettingsViewTest, AStatusIconSettingThatIsNotABooleanShowsOn)
{
    world.settings.setValue(SettingsKeys::showMenuBar, QStringLiteral("no"));
    world.makeView();
    EXPECT_TRUE(toggle(SettingsKeys::showMenuBar)->isChecked());
}

TEST_F(SettingsViewTest, TheStatusIconSwitchAnnouncesItsNewValue)
{
    world.makeView();
    QList<QVariant> announced;
    QObject::connect(&world.notifier, &AppEvents::menuBarVisibilityChanged,
                     [&](const QVariant& v) { announced.append(v); });
    toggle(SettingsKeys::showMenuBar)->click();
    toggle(SettingsKeys::showMenuBar)->click();
    EXPECT_EQ(announced, (QList<QVariant>{QVariant(false), QVariant(true)}));
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::showMenuBar), true);
}

TEST_F(SettingsViewTest, TheRoutingDescriptionFollowsTheChoiceAtOnce)
{
    auto& view = world.makeView();
    auto* section = view.vpnSection();
    EXPECT_EQ(section->routingCaption()->text(), t("规则分流：国内网站直连，国外网站走代理（推荐）"));
    section->routingPicker()->choose(QStringLiteral("global"));
    EXPECT_EQ(section->routingCaption()->text(), t("全局代理：所有流量都走代理，速度稍慢但兼容性最好"));
    EXPECT_EQ(world.vpn.routingModeRequests, QStringList{QStringLiteral("global")});
    // The popover changes it back: the form follows.
    world.vpn.publishRoutingMode(QStringLiteral("rule"));
    EXPECT_EQ(section->routingPicker()->value(), QStringLiteral("rule"));
    EXPECT_EQ(section->routingCaption()->text(), t("规则分流：国内网站直连，国外网站走代理（推荐）"));
    section->proxyModePicker()->choose(QStringLiteral("tun"));
    EXPECT_EQ(section->proxyModeCaption()->text(), t("TUN 虚拟网卡模式，捕获所有流量（需要管理员权限）"));
    EXPECT_EQ(world.vpn.proxyMode(), VpnConnection::ProxyMode::tun);
}

TEST_F(SettingsViewTest, TheKillSwitchWhileDisconnectedOnlyStoresTheWish)
{
    world.makeView();
    toggle(SettingsKeys::killSwitchEnabled)->click();
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::killSwitchEnabled), true);
    EXPECT_TRUE(world.vpn.killSwitchRequests.isEmpty());
    settle();
    EXPECT_TRUE(world.view->vpnSection()->killSwitchWarning()->isHidden());
}

TEST_F(SettingsViewTest, TheKillSwitchWhileConnectedIsAppliedAtOnce)
{
    world.connect(testNode());
    world.makeView();
    world.vpn.onKillSwitch = rulesLoadAsAsked(world.vpn);
    toggle(SettingsKeys::killSwitchEnabled)->click();
    EXPECT_EQ(world.vpn.killSwitchRequests, QList<bool>{true});
    settle();
    EXPECT_TRUE(world.view->vpnSection()->killSwitchWarning()->isHidden());

    toggle(SettingsKeys::killSwitchEnabled)->click();
    EXPECT_EQ(world.vpn.killSwitchRequests, (QList<bool>{true, false}));
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::killSwitchEnabled), false);
    settle();
    EXPECT_TRUE(world.view->vpnSection()->killSwitchWarning()->isHidden());
}

TEST_F(SettingsViewTest, TurnedOffTheKillSwitchReleasesRulesThatOutlivedTheConnectionInAnyState)
{
    // Rules held while disconnected: left by a killed run and taken over at launch, or kept by a
    // connect that failed.
    world.settings.setValue(SettingsKeys::killSwitchEnabled, true);
    world.vpn.setKillSwitchLoaded(true);
    world.makeView();
    settle();
    auto* warning = world.view->vpnSection()->killSwitchWarning();
    EXPECT_TRUE(warning->isHidden()) << "held rules are what the user chose";

    world.vpn.onKillSwitch = rulesLoadAsAsked(world.vpn);
    toggle(SettingsKeys::killSwitchEnabled)->click();
    EXPECT_EQ(world.vpn.killSwitchRequests, QList<bool>{false});
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::killSwitchEnabled), false);
    settle();
    EXPECT_TRUE(warning->isHidden());
}

TEST_F(SettingsViewTest, AKillSwitchThatCouldNotBeAppliedIsReportedAndTheSwitchKeepsTheWish)
{
    world.connect(testNode());
    world.makeView();
    // Refused: the request ends with no rules loaded.
    toggle(SettingsKeys::killSwitchEnabled)->click();
    auto* warning = world.view->vpnSection()->killSwitchWarning();
    // Said once the refusal is in.
    UiWorld::waitUntil([&] { return !warning->isHidden(); });
    EXPECT_TRUE(toggle(SettingsKeys::killSwitchEnabled)->isChecked()) << "the user's preference";
    EXPECT_EQ(world.vpn.killSwitchRequests, QList<bool>{true});
    EXPECT_EQ(warning->text(), t("网络锁未能开启，非 VPN 流量未被阻止，详见连接日志"));

    // Connecting again with the wish on: the engine's failure at connect shows the same way.
    world.vpn.setState(ConnectionState::disconnected);
    settle();
    EXPECT_TRUE(warning->isHidden()) << "nothing to block while disconnected";
    world.connect(testNode());
    emit world.vpn.nodeConnected(testNode().id);
    settle();
    EXPECT_FALSE(warning->isHidden());
    world.vpn.setKillSwitchLoaded(true);
    settle();
    EXPECT_TRUE(warning->isHidden());
}

TEST_F(SettingsViewTest, TheKillSwitchWarningSpeaksOnlyOnceThePromptIsAnswered)
{
    const auto warningText = t("网络锁未能开启，非 VPN 流量未被阻止，详见连接日志");
    for (const bool succeeds : {true, false}) {
        SCOPED_TRACE(succeeds ? "the rules load" : "the rules are refused");
        SettingsWorld local;
        local.connect(testNode());
        local.makeView();
        auto* warning = local.view->vpnSection()->killSwitchWarning();
        ManualClock prompt;
        local.vpn.onKillSwitch = [prompt = &prompt, vpn = &local.vpn, succeeds](bool on) {
            return answeredPrompt(prompt, vpn, on && succeeds);
        };

        // Turned on while connected: nothing is said while the prompt is open.
        local.view->vpnSection()->toggle(SettingsKeys::killSwitchEnabled)->click();
        UiWorld::waitUntil([&] { return prompt.waiting() == 1; });
        settle();
        EXPECT_TRUE(warning->isHidden()) << "while the prompt is open";
        prompt.tick();
        settle();
        EXPECT_EQ(warning->isHidden(), succeeds);
        EXPECT_EQ(warning->text(), succeeds ? QString() : warningText);

        // A connect with the switch wanted: no flash while its prompt is open, the outcome once
        // the connect has finished.
        local.vpn.setKillSwitchLoaded(false);
        local.vpn.setState(ConnectionState::disconnected);
        settle();
        EXPECT_TRUE(warning->isHidden());
        local.vpn.setState(ConnectionState::connected);
        settle();
        EXPECT_TRUE(warning->isHidden()) << "while the connect's prompt is open";
        local.vpn.setKillSwitchLoaded(succeeds);
        emit local.vpn.nodeConnected(testNode().id);
        settle();
        EXPECT_EQ(warning->isHidden(), succeeds);
    }
}

TEST_F(SettingsViewTest, TheSwitchesFollowTheStoreWithoutActingAgain)
{
    world.connect(testNode());
    auto& view = world.makeView();
    struct Case {
        const char* name;
        QCheckBox* toggle;
        std::function<void(bool)> changeElsewhere;
    };
    const Case cases[] = {
        {"kill switch, turned off by the clean-up", toggle(SettingsKeys::killSwitchEnabled),
         [&](bool on) { world.settings.setValue(SettingsKeys::killSwitchEnabled, on); }},
        {"launch at login, changed from the popover", view.launchOnLoginToggle(),
         [&](bool on) { world.settings.setValue(SettingsKeys::launchOnLogin, on); }},
        {"automatic reconnect", toggle(SettingsKeys::autoReconnectEnabled),
         [&](bool on) { world.vpn.setAutoReconnectEnabled(on); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.toggle, nullptr);
        for (const bool on : {!c.toggle->isChecked(), c.toggle->isChecked()}) {
            c.changeElsewhere(on);
            EXPECT_EQ(c.toggle->isChecked(), on);
        }
    }
    settle();
    EXPECT_TRUE(world.vpn.killSwitchRequests.isEmpty()) << "the form applies no change it did not make";
    EXPECT_FALSE(world.loginItem.enabled);
}

TEST_F(SettingsViewTest, TouchIdWithoutASensorTurnsItselfOffSilently)
{
    world.biometric.available = false;
    auto& view = world.makeView();
    view.touchIdToggle()->click();
    EXPECT_FALSE(view.touchIdToggle()->isChecked());
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::touchIdEnabled), false);
    world.biometric.available = true;
    view.touchIdToggle()->click();
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::touchIdEnabled), true);
}

TEST_F(SettingsViewTest, ARefusedLoginItemChangeSwitchesBackOnce)
{
    auto& view = world.makeView();
    view.launchOnLoginToggle()->click();
    EXPECT_TRUE(world.loginItem.enabled);
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::launchOnLogin), true);

    world.loginItem.refuse = true;
    view.launchOnLoginToggle()->click();
    EXPECT_TRUE(view.launchOnLoginToggle()->isChecked()) << "back to the value that is in force";
    EXPECT_EQ(world.settings.boolValue(SettingsKeys::launchOnLogin), true);
    EXPECT_TRUE(world.loginItem.enabled);
}

TEST_F(SettingsViewTest, TheDnsHintSaysWhetherTheAddressesAreUsed)
{
    auto& view = world.makeView();
    auto* field = view.dnsSection()->field();
    auto* hint = view.dnsSection()->hint();
    struct Case {
        QString text;
        QString hint;
    };
    const Case cases[] = {
        {QStringLiteral("1.1.1.1, 2606:4700:4700::1111"), t("连接 VPN 后将使用此 DNS")},
        {QStringLiteral("dns.example"), t("DNS 地址无效，不会使用：请填写 IPv4 或 IPv6 地址，用逗号分隔")},
        {QStringLiteral("1.1.1"), t("DNS 地址无效，不会使用：请填写 IPv4 或 IPv6 地址，用逗号分隔")},
        {QString(), t("留空使用系统默认 DNS")},
    };
    for (const auto& c : cases) {
        field->setText(c.text);
        EXPECT_EQ(hint->text(), c.hint) << c.text.toStdString();
        EXPECT_EQ(world.settings.stringValue(SettingsKeys::customDNS), c.text) << "stored as typed";
    }
}

TEST_F(SettingsViewTest, LinksAndTheUpdateCheckGoWhereTheySay)
{
    auto& view = world.makeView();
    const auto site = QStringLiteral("http://127.0.0.1:%1").arg(world.web.port());
    for (auto* button : view.findChildren<Button*>()) {
        if (button->buttonStyle() == Button::Style::Link && button->objectName() != QLatin1String("goSignIn"))
            button->click();
    }
    EXPECT_EQ(
        world.urlOpener.opened,
        (QList<QUrl>{QUrl(site), QUrl(site + QStringLiteral("/privacy")), QUrl(site + QStringLiteral("/terms"))}));
    view.findChild<Button*>(QStringLiteral("checkForUpdates"))->click();
    EXPECT_EQ(world.updateChecks, 1);
    view.findChild<Button*>(QStringLiteral("goSignIn"))->click();
    EXPECT_EQ(world.signInRequests, 1);
}

TEST_F(SettingsViewTest, TheAccountRowShowsTheSignedInUser)
{
    auto& view = world.makeView();
    UserProfileResponse profile;
    profile.ok = true;
    profile.email = QStringLiteral("mia@example.com");
    world.appState.setIsLoggedIn(true);
    world.appState.setProfile(profile);
    settle();
    const auto texts = [&] {
        QStringList list;
        for (auto* label : view.accountRow()->findChildren<QLabel*>())
            list.append(label->text());
        return list;
    };
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("mia@example.com"), QStringLiteral("mia@example.com")}));
    world.appState.setIsLoggedIn(false);
    settle();
    EXPECT_TRUE(texts().contains(t("未登录")));
}

TEST_F(SettingsViewTest, AHostileNameAndEMailStayOnOneLineAndTheSwitchesInView)
{
    auto& view = world.makeView();
    const QSize size = view.size();
    UserProfileResponse profile;
    profile.ok = true;
    profile.name = hostileText(QStringLiteral("name"));
    profile.email = hostileText(QStringLiteral("mail"));
    world.appState.setIsLoggedIn(true);
    world.appState.setProfile(profile);
    settle();

    EXPECT_EQ(view.size(), size);
    expectEveryLabelPlain(view);
    expectContentFitsItsWindow(view);
    for (const auto& field : {*profile.name, *profile.email}) {
        SCOPED_TRACE(field.left(6).toStdString());
        const auto labels = labelsShowing(*view.accountRow(), field);
        ASSERT_EQ(labels.size(), 1);
        expectOnOneLine(*labels.first(), field);
    }
    EXPECT_FALSE(saveScreenshot(view, QStringLiteral("settings-hostile-account")).isEmpty());
}

} // namespace
