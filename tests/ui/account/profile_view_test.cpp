#include "account_test_support.h"
#include "long_texts.h"
#include "support/screenshot.h"
#include "support/table_row.h"
#include "ui_world.h"

#include "app/app_events.h"
#include "platform/settings_keys.h"
#include "ui/account/action_list.h"
#include "ui/account/copy_button.h"
#include "ui/account/profile_cards.h"
#include "ui/account/profile_view.h"
#include "ui/common/linear_progress.h"
#include "ui/common/row_button.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString labelText(QWidget& root, const char* name)
{
    auto* label = root.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<none>");
}

class ProfileViewTest : public ::testing::Test {
protected:
    ProfileView& makeView(ProfileView::Services services)
    {
        view = std::make_unique<ProfileView>(std::move(services));
        view->resize(520, 900);
        view->show();
        settle();
        return *view;
    }

    ProfileView& makeView() { return makeView({.appState = *world.appState, .notifier = notifier}); }

    void show(const std::optional<UserProfileResponse>& profile, bool signedIn = true)
    {
        world.appState->setIsLoggedIn(signedIn);
        world.appState->setProfile(profile);
        settle();
    }

    QStringList rowTitles() const
    {
        QStringList titles;
        for (auto* row : view->actionList()->rows())
            titles.append(row->accessibleName());
        return titles;
    }

    UiWorld world;
    AppEvents notifier;
    std::unique_ptr<ProfileView> view;
};

TEST(ProfilePlanUsage, TrafficRowAndBar)
{
    struct Case {
        std::optional<double> used;
        std::optional<double> total;
        const char* text;
        double fraction;
        bool high;
    };
    const Case cases[] = {
        {12.345, 100.0, "12.3 / 100 GB", 0.12345, false},
        // No total: no invented allowance, and no bar measured against one.
        {12.0, std::nullopt, "12.0 / -- GB", 0.0, false},
        {45.0, std::nullopt, "45.0 / -- GB", 0.0, false},
        {0.5, 0.0, "0.5 / 0 GB", 0.5, false},
        {80.0, 100.0, "80.0 / 100 GB", 0.8, false},
        {80.1, 100.0, "80.1 / 100 GB", 0.801, true},
        {150.0, 100.0, "150.0 / 100 GB", 1.5, true},
        {std::nullopt, 50.0, "0.0 / 50 GB", 0.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        const auto usage = ProfileCards::planUsage(c.used, c.total);
        EXPECT_EQ(usage.text, QLatin1String(c.text));
        EXPECT_DOUBLE_EQ(usage.fraction, c.fraction) << c.text;
        EXPECT_EQ(usage.isHigh, c.high) << c.text;
    }
}

TEST(ProfileAvatar, EmailFirstThenNameThenTheProductInitial)
{
    struct Case {
        std::optional<QString> email;
        std::optional<QString> name;
        QString letter;
    };
    const Case cases[] = {
        {QStringLiteral("mia@example.com"), QStringLiteral("Zoe"), QStringLiteral("M")},
        {std::nullopt, QStringLiteral("zoe"), QStringLiteral("Z")},
        {std::nullopt, std::nullopt, QStringLiteral("V")},
        {QString(), QStringLiteral("zoe"), QString()},
        {QStringLiteral("王小明@example.com"), std::nullopt, QStringLiteral("王")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        UserProfileResponse profile;
        profile.email = c.email;
        profile.name = c.name;
        EXPECT_EQ(ProfileCards::avatarLetter(profile), c.letter);
    }
}

// What the cards show of a profile, absent fields with their stand-ins.
TEST_F(ProfileViewTest, TheCardsShowTheProfile)
{
    UserProfileResponse bare;
    bare.ok = true;
    bare.email = QStringLiteral("mia@example.com");
    struct Case {
        const char* name;
        UserProfileResponse profile;
        QList<QPair<const char*, QString>> labels;
        TextColor barTint;
    };
    const Case cases[] = {
        {"full",
         sampleProfile(),
         {{"accountTitle", QStringLiteral("Mia Chen")},
          {"accountEmail", QStringLiteral("mia@example.com")},
          {"accountPlan", QStringLiteral("高级版")},
          {"planName", QStringLiteral("高级版")},
          {"planExpiry", QStringLiteral("2027-03-01")},
          {"planTraffic", QStringLiteral("678.4 / 800 GB")},
          {"inviteCode", QStringLiteral("VM7Q2X")},
          {"commission", QStringLiteral("¥0.00")}},
         TextColor::Red},
        {"bare",
         bare,
         {{"accountTitle", QStringLiteral("mia@example.com")},
          {"accountPlan", t("体验版")},
          {"planName", t("体验版")},
          {"planExpiry", t("永久")},
          {"planTraffic", QStringLiteral("0.0 / -- GB")},
          {"inviteCode", QStringLiteral("<none>")},
          {"commission", QStringLiteral("<none>")}},
         TextColor::Blue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        show(c.profile);
        auto& profile = makeView();
        for (const auto& [name, text] : c.labels)
            EXPECT_EQ(labelText(profile, name), text) << name;
        auto* bar = profile.findChild<LinearProgress*>(QStringLiteral("planUsageBar"));
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->tint(), c.barTint);
        EXPECT_FALSE(profile.findChild<QWidget*>(QStringLiteral("notSignedInCard")));
        EXPECT_EQ(rowTitles(),
                  (QStringList{t("订阅链接"), t("流量明细"), t("邀请返利"), t("提现"), t("转换器"), t("联系客服"),
                               t("清除缓存"), t("退出登录")}));
        EXPECT_EQ(profile.actionList()->dividerCount(), 7);
    }
}

TEST_F(ProfileViewTest, NotSignedInShowsThePromptAndTwoActions)
{
    show(std::nullopt, false);
    auto& profile = makeView();
    EXPECT_TRUE(profile.findChild<QWidget*>(QStringLiteral("notSignedInCard")));
    EXPECT_EQ(rowTitles(), (QStringList{t("联系客服"), t("清除缓存")}));
    EXPECT_EQ(profile.actionList()->dividerCount(), 1);
}

TEST_F(ProfileViewTest, SignedInWithoutAProfileYetShowsThePromptAboveEveryAction)
{
    show(std::nullopt, true);
    auto& profile = makeView();
    EXPECT_TRUE(profile.findChild<QWidget*>(QStringLiteral("notSignedInCard")));
    EXPECT_EQ(rowTitles().size(), 8);
}

TEST_F(ProfileViewTest, EntriesWithoutTheirScreenAreDisabledAndOthersOpenOverTheScreen)
{
    show(sampleProfile());
    QList<QWidget*> openedOver;
    auto& profile
        = makeView({.appState = *world.appState, .notifier = notifier, .openSubscription = [&](QWidget* parent) {
                        openedOver.append(parent);
                    }});
    const auto rows = profile.actionList()->rows();
    const QList<bool> enabled{true, false, false, false, false, false, true, true};
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i]->isEnabled(), enabled[i]) << rows[i]->accessibleName().toStdString();
    EXPECT_FALSE(profile.findChild<QWidget*>(QStringLiteral("purchaseButton"))->isEnabled());
    rows[0]->click();
    EXPECT_EQ(openedOver, QList<QWidget*>{&profile});
}

TEST_F(ProfileViewTest, CopyPutsTheCodeOnTheClipboardAndSaysSoForTwoSeconds)
{
    show(sampleProfile());
    auto& profile = makeView();
    auto* copy = profile.findChild<CopyButton*>(QStringLiteral("copyInviteCode"));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->text(), t("复制"));
    // Started before the feedback's timer, so that it measures no less than the timer ran.
    QElapsedTimer clock;
    clock.start();
    copy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("VM7Q2X"));
    EXPECT_EQ(copy->text(), t("已复制"));
    UiWorld::waitUntil([&] { return !copy->isCopied(); }, 4000);
    EXPECT_GE(clock.elapsed(), CopyButton::feedbackDuration.count());
    EXPECT_EQ(copy->text(), t("复制"));
}

TEST_F(ProfileViewTest, ClearingTheCacheEmptiesTheListsAndKeepsTheAccount)
{
    world.signIn();
    auto& profile = makeView();
    const int nodeLoads = world.service.requestsTo(QStringLiteral("/api/nodes")).size();
    ASSERT_FALSE(world.appState->nodes().isEmpty());
    QList<int> nodeCounts;
    QObject::connect(world.appState.get(), &AppState::nodesChanged,
                     [&] { nodeCounts.append(int(world.appState->nodes().size())); });
    view->actionList()->rows()[6]->click();
    ASSERT_FALSE(nodeCounts.isEmpty());
    EXPECT_EQ(nodeCounts.first(), 0) << "emptied at once";
    ASSERT_TRUE(profile.cacheClearedAlert());
    EXPECT_EQ(profile.cacheClearedAlert()->text(), t("缓存已清除"));
    UiWorld::waitUntil([&] { return !world.appState->nodes().isEmpty(); });
    EXPECT_GT(world.service.requestsTo(QStringLiteral("/api/nodes")).size(), nodeLoads) << "reloaded";
    EXPECT_TRUE(world.appState->isLoggedIn());
    EXPECT_TRUE(world.appState->profile());
    pressButton(profile.cacheClearedAlert(), QStringLiteral("好"));
}

TEST_F(ProfileViewTest, ACompletedPurchaseRefreshesTheAccount)
{
    world.signIn();
    auto& profile = makeView();
    const auto oldPlan = labelText(profile, "planName");
    world.service.state().activatePlan(QStringLiteral("旗舰版"));
    const int loads = world.service.requestsTo(QStringLiteral("/api/user/profile")).size();
    emit notifier.refreshProfile();
    UiWorld::waitUntil([&] { return world.service.requestsTo(QStringLiteral("/api/user/profile")).size() > loads; });
    UiWorld::waitUntil([&] {
        settle();
        return labelText(profile, "planName") != oldPlan;
    });
    EXPECT_EQ(labelText(profile, "planName"), world.appState->profile()->plan.value_or(QString()));
    EXPECT_FALSE(world.appState->isLoading()) << "no loading face for a refresh";

    // A screen that is gone asks for nothing more.
    view.reset();
    const int afterClose = world.service.requestsTo(QStringLiteral("/api/user/profile")).size();
    emit notifier.refreshProfile();
    // A load of our own, sent after any the notice would have started, marks when to count.
    world.appState->loadProfile();
    UiWorld::waitUntil(
        [&] { return world.service.requestsTo(QStringLiteral("/api/user/profile")).size() > afterClose; });
    UiWorld::waitUntil([&] { return world.appState->profile().has_value(); });
    settle();
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/user/profile")).size(), afterClose + 1);
}

TEST_F(ProfileViewTest, CancellingTheSignOutChangesNothing)
{
    world.signIn();
    auto& profile = makeView();
    view->actionList()->rows().last()->click();
    ASSERT_TRUE(profile.logoutConfirm());
    EXPECT_EQ(profile.logoutConfirm()->text(), t("退出后需要重新登录才能使用 VPN"));
    pressButton(profile.logoutConfirm(), t("取消"));
    settle();
    EXPECT_TRUE(world.appState->isLoggedIn());
    EXPECT_TRUE(world.appState->profile());
}

// The account screen inside the main window: signing out forgets the session and the window
// shows its sign-in screen; the connection is left alone.
TEST_F(ProfileViewTest, SigningOutClearsTheStateAndReturnsToTheSignInScreen)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, true);
    world.settings.store->setValue(SettingsKeys::rememberedEmail, QStringLiteral("mia@example.com"));
    auto services = world.contentServices();
    services.makeTabScreen = [this](MainTab tab, QWidget* parent) -> QWidget* {
        if (tab == MainTab::account)
            return new ProfileView({.appState = *world.appState, .notifier = notifier}, parent);
        return new QWidget(parent);
    };
    ContentView content(services);
    content.resize(900, 700);
    content.show();
    world.signIn();
    settle();
    ASSERT_EQ(content.face(), ContentView::Face::full);
    content.setSelectedTab(MainTab::account);
    settle();
    auto* profile = qobject_cast<ProfileView*>(content.detailScreen());
    ASSERT_TRUE(profile);
    profile->actionList()->rows().last()->click();
    pressButton(profile->logoutConfirm(), t("退出登录"));
    UiWorld::waitUntil([&] {
        settle();
        return content.face() == ContentView::Face::signIn;
    });
    EXPECT_FALSE(world.appState->isLoggedIn());
    EXPECT_FALSE(world.appState->profile());
    EXPECT_TRUE(world.appState->nodes().isEmpty());
    EXPECT_FALSE(world.settings.store->contains(SettingsKeys::rememberedEmail));
    EXPECT_EQ(world.vpn.disconnects, 0);
    EXPECT_TRUE(world.api->cookies().isEmpty()) << "the session is forgotten";
}

} // namespace

TEST_F(ProfileViewTest, LongProfileFieldsAndFiguresShowCutOnOneLineAndTheScreenKeepsItsSize)
{
    for (const auto language : allAppLanguages) {
        world.language.setLanguage(language);
        for (const auto& kind : {u"hostile"_qs, u"word"_qs}) {
            const QString name = u"profile-long-fields-%1-"_qs.arg(kind) + rawValue(language);
            SCOPED_TRACE(name.toStdString());
            const auto text = [&](const QString& tag) { return longTexts(tag).at(kind == u"hostile"_qs ? 0 : 1); };
            UserProfileResponse account;
            account.name = text(u"name"_qs);
            account.plan = text(u"plan"_qs);
            account.expire = text(u"expire"_qs);
            account.inviteCode = text(u"code"_qs);
            account.email = text(u"mail"_qs);
            // Figures of hundreds of digits, as a double holds them.
            account.trafficUsed = 1e300;
            account.trafficTotal = 1e301;
            account.commission = 1e300;
            auto& screen = makeView();
            const QSize size = screen.size();
            show(account);

            EXPECT_EQ(screen.size(), size);
            expectEveryLabelPlain(screen);
            expectContentFitsItsWindow(screen);
            const auto usage = ProfileCards::planUsage(account.trafficUsed, account.trafficTotal);
            expectOnlyTheseCut(screen,
                               {*account.name, *account.email, *account.plan, *account.expire, *account.inviteCode,
                                usage.text, labelText(screen, "commission")});
            EXPECT_FALSE(saveScreenshot(screen, name).isEmpty());
        }
    }
}
