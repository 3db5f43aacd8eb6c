#include "support/event_waits.h"
#include "support/scoped_language.h"
#include "support/screenshot.h"
#include "ui/common/button.h"
#include "ui/common/icon_button.h"
#include "ui/common/text_label.h"
#include "ui/dashboard/block_notice.h"
#include "ui/shell/compact_dashboard.h"
#include "ui/shell/main_toolbar.h"
#include "ui/shell/sidebar_view.h"
#include "ui_world.h"

#include "app/app_events.h"
#include "platform/settings_keys.h"
#include "platform/text_table.h"
#include "stand_in_service/stand_in_state.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>

namespace {

using Face = ContentView::Face;

class ContentViewTest : public ::testing::Test {
protected:
    std::unique_ptr<ContentView> makeView()
    {
        auto view = std::make_unique<ContentView>(world.contentServices());
        view->resize(980, 680);
        view->show();
        settle();
        return view;
    }
    void signedInState()
    {
        world.appState->setIsLoggedIn(true);
        world.appState->setIsLoading(false);
    }
    SettingsStore& settings() { return *world.settings.store; }

    UiWorld world;
};

TEST_F(ContentViewTest, TheFirstMatchingFaceWins)
{
    struct Case {
        bool lockOn;
        bool sensorUnlocks;
        bool loading;
        bool loggedIn;
        bool compact;
        Face face;
    };
    const Case cases[] = {
        {true, false, true, false, false, Face::lock}, // the lock shows even while loading and signed out
        {true, false, false, true, true, Face::lock},    {true, true, true, true, false, Face::loading},
        {false, false, true, true, true, Face::loading}, {false, false, false, true, true, Face::compact},
        {false, false, false, true, false, Face::full},  {false, false, false, false, true, Face::signIn},
        {true, true, false, false, false, Face::signIn},
    };
    for (const auto& c : cases) {
        settings().setValue(SettingsKeys::touchIdEnabled, c.lockOn);
        settings().setValue(SettingsKeys::windowIsCompact, c.compact);
        world.biometric.available = c.sensorUnlocks;
        world.biometric.succeed = c.sensorUnlocks;
        world.appState->setIsLoading(c.loading);
        world.appState->setIsLoggedIn(c.loggedIn);
        auto view = makeView();
        EXPECT_EQ(view->face(), c.face) << "lock " << c.lockOn << " loading " << c.loading << " signed in "
                                        << c.loggedIn << " compact " << c.compact;
    }
}

TEST_F(ContentViewTest, TheFaceFollowsTheSharedState)
{
    auto view = makeView();
    EXPECT_EQ(view->face(), Face::loading);
    world.appState->setIsLoading(false);
    settle();
    EXPECT_EQ(view->face(), Face::signIn);
    world.signIn();
    settle();
    EXPECT_EQ(view->face(), Face::full);
    settings().setValue(SettingsKeys::windowIsCompact, true);
    settle();
    EXPECT_EQ(view->face(), Face::compact);
    world.appState->logout();
    settle();
    EXPECT_EQ(view->face(), Face::signIn);
    EXPECT_GE(view->minimumWidth(), 480);
}

TEST_F(ContentViewTest, WithoutABiometricSensorTheLockSaysSoAndCanBeSkipped)
{
    settings().setValue(SettingsKeys::touchIdEnabled, true);
    world.biometric.available = false;
    signedInState();
    auto view = makeView();
    ASSERT_EQ(view->face(), Face::lock);
    EXPECT_EQ(view->biometricError(), i18n::tr(QStringLiteral("不支持生物识别")));
    ASSERT_TRUE(view->lockView());
    EXPECT_EQ(view->lockView()->error(), view->biometricError());
    EXPECT_TRUE(world.biometric.reasons.isEmpty()) << "no prompt without a sensor";

    QTest::mouseClick(view->lockView()->findChild<Button*>(QStringLiteral("unlockButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(view->face(), Face::lock);
    QTest::mouseClick(view->lockView()->findChild<Button*>(QStringLiteral("skipButton")), Qt::LeftButton);
    settle();
    EXPECT_TRUE(view->isUnlocked());
    EXPECT_EQ(view->face(), Face::full);
}

TEST_F(ContentViewTest, AFailedUnlockShowsTheReasonUntilTheNextTry)
{
    settings().setValue(SettingsKeys::touchIdEnabled, true);
    world.biometric.succeed = false;
    signedInState();
    auto view = makeView();
    ASSERT_EQ(world.biometric.reasons, QStringList{i18n::tr(QStringLiteral("解锁 Velmorand"))});
    EXPECT_EQ(view->biometricError(), QStringLiteral("failed"));
    EXPECT_EQ(view->face(), Face::lock);
    world.biometric.succeed = true;
    QTest::mouseClick(view->lockView()->findChild<Button*>(QStringLiteral("unlockButton")), Qt::LeftButton);
    settle();
    EXPECT_FALSE(view->biometricError());
    EXPECT_EQ(view->face(), Face::full);
}

TEST_F(ContentViewTest, SleepLocksAgainOnlyWhenTheLockWasOnAtAppearance)
{
    signedInState();
    {
        auto view = makeView();
        settings().setValue(SettingsKeys::touchIdEnabled, true);
        settle();
        EXPECT_EQ(view->face(), Face::lock) << "turning the lock on locks at once";
        view->lockView()->skipRequested();
        settle();
        emit world.sessionWatcher.sessionWillLock();
        settle();
        EXPECT_EQ(view->face(), Face::full);
    }
    auto view = makeView();
    EXPECT_EQ(view->face(), Face::full) << "the sensor unlocked at appearance";
    emit world.sessionWatcher.sessionWillLock();
    settle();
    EXPECT_EQ(view->face(), Face::lock);
    settings().setValue(SettingsKeys::touchIdEnabled, false);
    settle();
    EXPECT_EQ(view->face(), Face::full) << "turning the lock off removes the lock face";
}

TEST_F(ContentViewTest, LockingAgainClosesTheAnnouncementsSheet)
{
    signedInState();
    settings().setValue(SettingsKeys::touchIdEnabled, true);
    auto view = makeView();
    ASSERT_EQ(view->face(), Face::full) << "the sensor unlocked at appearance";
    QTest::mouseClick(view->toolbar()->announcementsButton(), Qt::LeftButton);
    ASSERT_TRUE(view->announcementsSheet());
    ASSERT_TRUE(view->announcementsSheet()->isVisible());

    emit world.sessionWatcher.sessionWillLock();
    settle();

    EXPECT_EQ(view->face(), Face::lock);
    EXPECT_FALSE(view->announcementsSheet());
    for (auto* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible() && window != view.get()) << window->metaObject()->className();
}

TEST_F(ContentViewTest, NavigationRequestsPickTheTab)
{
    signedInState();
    auto view = makeView();
    ASSERT_EQ(view->face(), Face::full);
    EXPECT_EQ(view->selectedTab(), MainTab::dashboard);
    EXPECT_EQ(view->detailScreen()->objectName(), QStringLiteral("tab0"));

    emit world.hub.navigateToTab(MainTab::settings);
    settle();
    EXPECT_EQ(view->selectedTab(), MainTab::settings);
    EXPECT_EQ(view->detailScreen()->objectName(), QStringLiteral("tab2"));
    EXPECT_TRUE(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("tabEntry2"))->isChecked());
    EXPECT_EQ(view->toolbar()->findChild<QLabel*>(QStringLiteral("navigationTitle"))->text(),
              i18n::tr(QStringLiteral("设置")));
}

TEST_F(ContentViewTest, NavigatingFromTheCompactWindowLandsOnTheChosenTab)
{
    signedInState();
    settings().setValue(SettingsKeys::windowIsCompact, true);
    auto view = makeView();
    ASSERT_EQ(view->face(), Face::compact);
    emit world.hub.navigateToTab(MainTab::serverDashboard);
    settle();
    EXPECT_EQ(settings().boolValue(SettingsKeys::windowIsCompact), false);
    EXPECT_EQ(view->face(), Face::full);
    EXPECT_EQ(view->selectedTab(), MainTab::serverDashboard);
    EXPECT_EQ(view->detailScreen()->objectName(), QStringLiteral("tab3"));
}

TEST_F(ContentViewTest, ExpandingTheCompactWindowOpensTheDashboard)
{
    signedInState();
    auto view = makeView();
    view->setSelectedTab(MainTab::settings);
    QTest::mouseClick(view->toolbar()->compactButton(), Qt::LeftButton);
    settle();
    ASSERT_EQ(view->face(), Face::compact);
    EXPECT_EQ(settings().boolValue(SettingsKeys::windowIsCompact), true);
    QTest::mouseClick(view->faceWidget()->findChild<IconButton*>(QStringLiteral("expandButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(view->face(), Face::full);
    EXPECT_EQ(view->selectedTab(), MainTab::dashboard);
}

TEST_F(ContentViewTest, ControlWithADigitPicksATab)
{
    signedInState();
    auto view = makeView();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        MainTab tab;
    };
    for (const auto& c :
         {Case{Qt::Key_3, Qt::ControlModifier, MainTab::settings},
          Case{Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier, MainTab::nodes},
          Case{Qt::Key_5, Qt::ControlModifier, MainTab::nodes}, Case{Qt::Key_4, Qt::NoModifier, MainTab::nodes},
          Case{Qt::Key_1, Qt::ControlModifier | Qt::AltModifier, MainTab::dashboard}}) {
        QTest::keyClick(view->detailScreen(), c.key, c.modifiers);
        EXPECT_EQ(view->selectedTab(), c.tab) << c.key;
    }
}

TEST_F(ContentViewTest, ControlShiftWithADigitKeyOfARealKeyboardPicksATab)
{
    signedInState();
    auto view = makeView();
    // What the xcb platform delivers for Control+Shift with the digit keys 1 to 4 on a US layout:
    // the shifted symbol, its keysym, and the key's own code.
    struct Case {
        Qt::Key key;
        quint32 keysym;
        QString text;
        quint32 scanCode;
    };
    const Case cases[] = {{Qt::Key_At, 0x40, QStringLiteral("@"), 11},
                          {Qt::Key_Dollar, 0x24, QStringLiteral("$"), 13},
                          {Qt::Key_NumberSign, 0x23, QStringLiteral("#"), 12},
                          {Qt::Key_Exclam, 0x21, QStringLiteral("!"), 10}};
    const MainTab tabs[] = {MainTab::nodes, MainTab::serverDashboard, MainTab::settings, MainTab::dashboard};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        constexpr quint32 shiftAndControlMasks = 0x1 | 0x4;
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::ControlModifier | Qt::ShiftModifier, c.scanCode, c.keysym,
                        shiftAndControlMasks, c.text);
        QApplication::sendEvent(view->detailScreen(), &press);
        EXPECT_EQ(view->selectedTab(), tabs[i]) << c.text.toStdString();
    }
}

TEST_F(ContentViewTest, PickingTheTabOnShowKeepsItsScreen)
{
    signedInState();
    auto view = makeView();
    const QPointer<QWidget> shown = view->detailScreen();
    QSignalSpy changes(view.get(), &ContentView::selectedTabChanged);

    QTest::mouseClick(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("tabEntry0")), Qt::LeftButton);
    QTest::keyClick(view->detailScreen(), Qt::Key_1, Qt::ControlModifier);
    emit world.hub.navigateToTab(MainTab::dashboard);
    settle();
    EXPECT_EQ(view->detailScreen(), shown.data());
    EXPECT_FALSE(shown.isNull());
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("tabEntry0"))->isChecked());

    // Another tab is still built afresh.
    QTest::mouseClick(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("tabEntry1")), Qt::LeftButton);
    settle();
    EXPECT_EQ(view->detailScreen()->objectName(), QStringLiteral("tab1"));
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(ContentViewTest, SidebarEntriesAndTheAccountRowPickTabs)
{
    world.signIn();
    auto view = makeView();
    QTest::mouseClick(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("tabEntry1")), Qt::LeftButton);
    EXPECT_EQ(view->selectedTab(), MainTab::nodes);
    QTest::mouseClick(view->sidebar()->findChild<QAbstractButton*>(QStringLiteral("accountRow")), Qt::LeftButton);
    EXPECT_EQ(view->selectedTab(), MainTab::account);
    EXPECT_EQ(view->detailScreen()->objectName(), QStringLiteral("tab4"));
    const auto& account = world.service.state().account;
    EXPECT_EQ(view->sidebar()->findChild<QLabel*>(QStringLiteral("accountName"))->text(),
              account.name.isEmpty() ? account.email : account.name);
    EXPECT_EQ(view->sidebar()->findChild<QLabel*>(QStringLiteral("planName"))->text(), account.plan);
}

TEST_F(ContentViewTest, TheBadgeMarksANewerAnnouncementUntilOpened)
{
    signedInState();
    auto announcement = [](qint64 id) {
        Announcement a;
        a.id = id;
        a.title = QStringLiteral("公告 %1").arg(id);
        return a;
    };
    settings().setValue(SettingsKeys::lastSeenAnnouncementId, 5);
    auto view = makeView();
    auto* button = view->toolbar()->announcementsButton();
    struct Case {
        QList<qint64> ids;
        bool unread;
    };
    for (const auto& c : {Case{{}, false}, Case{{5, 9}, false}, Case{{4}, false}, Case{{6, 5}, true}}) {
        SCOPED_TRACE(testing::Message() << c.ids.size() << " announcements, unread " << c.unread);
        QList<Announcement> list;
        for (auto id : c.ids)
            list.append(announcement(id));
        world.appState->setAnnouncements(list);
        EXPECT_EQ(view->hasUnreadAnnouncements(), c.unread);
        EXPECT_EQ(button->badgeVisible(), c.unread);
    }
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(view->announcementsSheet());
    EXPECT_FALSE(button->badgeVisible());
    EXPECT_EQ(settings().intValue(SettingsKeys::lastSeenAnnouncementId), 6);
    view->announcementsSheet()->reject();
    settle();
    EXPECT_FALSE(view->announcementsSheet());

    // With no announcements the stored id stays.
    world.appState->setAnnouncements({});
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(settings().intValue(SettingsKeys::lastSeenAnnouncementId), 6);
}

TEST_F(ContentViewTest, TheAppearanceButtonCycles)
{
    signedInState();
    auto view = makeView();
    auto* button = view->toolbar()->appearanceButton();
    struct Step {
        QString stored;
        QString symbol;
        QString help;
        QString next;
    };
    for (const auto& s :
         {Step{QStringLiteral("system"), QStringLiteral("circle.lefthalf.filled"), QStringLiteral("浅色"),
               QStringLiteral("light")},
          Step{QStringLiteral("light"), QStringLiteral("moon.fill"), QStringLiteral("深色"), QStringLiteral("dark")},
          Step{QStringLiteral("dark"), QStringLiteral("sun.max.fill"), QStringLiteral("跟随系统"),
               QStringLiteral("system")},
          Step{QStringLiteral("sepia"), QStringLiteral("circle.lefthalf.filled"), QStringLiteral("浅色"),
               QStringLiteral("system")}}) {
        settings().setValue(SettingsKeys::appearanceOverride, s.stored);
        EXPECT_EQ(button->symbol(), s.symbol);
        EXPECT_EQ(button->toolTip(), i18n::tr(s.help));
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(settings().stringValue(SettingsKeys::appearanceOverride), s.next);
    }
    settings().setValue(SettingsKeys::appearanceOverride, QStringLiteral("dark"));
    EXPECT_TRUE(world.look.theme().isDark());
    settings().setValue(SettingsKeys::accentColor, QStringLiteral("purple"));
    EXPECT_EQ(world.look.theme().palette().accent, Theme::accentFor(QStringLiteral("purple"), true));
    settings().setValue(SettingsKeys::appearanceOverride, QStringLiteral("light"));
    settings().setValue(SettingsKeys::accentColor, QStringLiteral("blue"));
}

TEST(SidebarView, SubscriptionFiguresFollowThePlan)
{
    struct Case {
        std::optional<double> used, total;
        double fraction;
        QString line;
    };
    for (const auto& c : {Case{std::nullopt, std::nullopt, 0.0, QStringLiteral("流量: 0.0/-- GB")},
                          Case{12.0, std::nullopt, 0.0, QStringLiteral("流量: 12.0/-- GB")},
                          Case{0.25, 0.5, 0.25, QStringLiteral("流量: 0.2/0 GB")},
                          Case{80.0, 100.0, 0.8, QStringLiteral("流量: 80.0/100 GB")},
                          Case{150.0, 100.0, 1.5, QStringLiteral("流量: 150.0/100 GB")}}) {
        UserProfileResponse p;
        p.trafficUsed = c.used;
        p.trafficTotal = c.total;
        EXPECT_DOUBLE_EQ(SidebarView::trafficFraction(p), c.fraction);
        EXPECT_EQ(SidebarView::trafficLine(p), c.line);
    }
}

TEST(SidebarView, OrdinaryTextsOfTheAccountShowWholeAndOnlyALongerOneElidesInEveryLanguage)
{
    struct Case {
        const char* name;
        std::optional<QString> email, userName, plan;
        // The row's name is longer than the row: only it gives way.
        bool nameCut;
    };
    const Case cases[] = {
        {"ordinary", QStringLiteral("demo@example.com"), QStringLiteral("演示用户"), QStringLiteral("标准版"), false},
        {"long e-mail", QStringLiteral("hanako.yamada.subscriptions@example.co.jp"), std::nullopt,
         QStringLiteral("季度套餐 · 200 GB"), true},
    };
    for (const auto& c : cases) {
        UserProfileResponse p;
        p.email = c.email;
        p.name = c.userName;
        p.plan = c.plan;
        p.trafficUsed = 37.52;
        p.trafficTotal = 200;
        for (const auto language : allAppLanguages) {
            SCOPED_TRACE(std::string(c.name) + " " + rawValue(language).toStdString());
            ScopedLanguage scoped(language);
            SidebarView sidebar;
            sidebar.resize(220, 640);
            sidebar.setAccount(true, p);
            sidebar.show();
            QCoreApplication::processEvents();
            saveScreenshot(sidebar,
                           QStringLiteral("sidebar-account-%1-").arg(QLatin1String(c.nameCut ? "long" : "ordinary"))
                               + rawValue(language));

            const auto* traffic = sidebar.findChild<TextLabel*>(QStringLiteral("accountTraffic"));
            ASSERT_TRUE(traffic);
            EXPECT_EQ(traffic->text(), SidebarView::trafficLine(p));
            for (const auto* label : sidebar.findChildren<QLabel*>()) {
                if (!label->isVisible())
                    continue;
                const auto* textLabel = qobject_cast<const TextLabel*>(label);
                const QString shown = textLabel ? textLabel->shownText() : label->text();
                SCOPED_TRACE(shown.toStdString());
                const QRect area(label->mapTo(&sidebar, QPoint(0, 0)), label->size());
                EXPECT_TRUE(sidebar.rect().contains(area)) << "within the sidebar";
                EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry())) << "within its row";
                EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width())
                    << "the text shown fits";
                const bool cut = c.nameCut && label->objectName() == QStringLiteral("accountName");
                if (cut) {
                    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")));
                } else {
                    EXPECT_EQ(shown, label->text()) << "whole";
                }
            }
        }
    }
}

TEST(SidebarView, TheTrafficLinesShowWholeForEveryPlanOfTheServiceInEveryLanguage)
{
    // The totals of every plan the service sells, and use up to four digits before the point.
    QList<double> totals;
    for (const auto& plan : StandInState::seeded().plans)
        totals.append(plan.toObject().value(QLatin1String("traffic")).toDouble());
    ASSERT_FALSE(totals.isEmpty());
    const double amountsUsed[] = {0, 37.5, 123.4, 1234.5, 9999.9};
    for (const auto language : allAppLanguages) {
        ScopedLanguage scoped(language);
        SidebarView sidebar;
        sidebar.resize(220, 640);
        sidebar.show();
        for (const double total : totals) {
            for (const double used : amountsUsed) {
                SCOPED_TRACE(rawValue(language).toStdString() + " " + std::to_string(used) + " of "
                             + std::to_string(total));
                UserProfileResponse p;
                p.email = QStringLiteral("demo@example.com");
                p.plan = QStringLiteral("标准版");
                p.trafficUsed = used;
                p.trafficTotal = total;
                sidebar.setAccount(true, p);
                QCoreApplication::processEvents();
                EXPECT_EQ(sidebar.width(), 220);
                for (const char* name : {"trafficLine", "accountTraffic"}) {
                    SCOPED_TRACE(name);
                    const auto* line = sidebar.findChild<TextLabel*>(QLatin1String(name));
                    ASSERT_TRUE(line);
                    EXPECT_EQ(line->text(), SidebarView::trafficLine(p));
                    EXPECT_EQ(line->shownText(), line->text()) << "whole";
                    EXPECT_TRUE(sidebar.rect().contains(QRect(line->mapTo(&sidebar, QPoint(0, 0)), line->size())));
                }
            }
        }
        saveScreenshot(sidebar, QStringLiteral("sidebar-account-largest-traffic-") + rawValue(language));
    }
}

TEST(SidebarView, AvatarLetterAndName)
{
    struct Case {
        std::optional<QString> email, name;
        QString letter, display;
    };
    for (const auto& c :
         {Case{QStringLiteral("ann@example.com"), QStringLiteral("Ann"), QStringLiteral("A"), QStringLiteral("Ann")},
          Case{std::nullopt, QStringLiteral("bob"), QStringLiteral("B"), QStringLiteral("bob")},
          Case{std::nullopt, std::nullopt, QStringLiteral("V"), QStringLiteral("用户")},
          Case{QString(), QStringLiteral("Carl"), QString(), QStringLiteral("Carl")},
          Case{QStringLiteral("dee@example.com"), QString(), QStringLiteral("D"), QString()}}) {
        UserProfileResponse p;
        p.email = c.email;
        p.name = c.name;
        EXPECT_EQ(SidebarView::avatarLetter(p), c.letter);
        EXPECT_EQ(SidebarView::displayName(p), c.display);
    }
}

TEST_F(ContentViewTest, StartUpWorkLoadsAndConnectsWhenAsked)
{
    world.signIn();
    world.appState->setIsLoading(true);
    world.startup->windowDidFirstAppear();
    UiWorld::waitUntil([&] { return !world.appState->isLoading(); });
    waitPastTimers(std::chrono::milliseconds(10));
    EXPECT_TRUE(world.vpn.connects.isEmpty()) << "autoConnect is off";

    settings().setValue(SettingsKeys::autoConnect, true);
    world.startup->windowDidFirstAppear();
    UiWorld::waitUntil([&] { return !world.vpn.connects.isEmpty(); });
    EXPECT_EQ(world.vpn.connects.first().id, StartupRules::fastestTarget(world.appState->nodes())->id);

    // A connection already under way wins.
    world.vpn.connects.clear();
    world.startup->windowDidFirstAppear();
    world.vpn.setState(ConnectionState::connecting);
    waitPastTimers(std::chrono::milliseconds(10));
    EXPECT_TRUE(world.vpn.connects.isEmpty());
}

TEST_F(ContentViewTest, TheCompactWindowFollowsTheConnection)
{
    world.signIn();
    CompactDashboard compact({world.vpn, *world.appState, settings()});
    compact.show();
    auto* power = compact.powerButton();
    auto* status = compact.findChild<QLabel*>(QStringLiteral("statusText"));
    auto* nodeName = compact.findChild<QLabel*>(QStringLiteral("nodeName"));
    struct Case {
        ConnectionState state;
        QString status;
        QString button;
        bool enabled;
        bool nodeShown;
    };
    world.vpn.setConnectedNode(world.node(3));
    for (const auto& c :
         {Case{ConnectionState::disconnected, QStringLiteral("未连接"), QStringLiteral("连接"), true, false},
          Case{ConnectionState::connecting, QStringLiteral("连接中..."), QStringLiteral("连接"), false, false},
          Case{ConnectionState::connected, QStringLiteral("已连接"), QStringLiteral("断开"), true, true},
          Case{ConnectionState::disconnecting, QStringLiteral("断开中..."), QStringLiteral("连接"), true, false}}) {
        world.vpn.setState(c.state);
        EXPECT_EQ(status->text(), i18n::tr(c.status));
        EXPECT_EQ(power->text(), i18n::tr(c.button));
        EXPECT_EQ(power->isEnabled(), c.enabled);
        EXPECT_EQ(nodeName->isVisibleTo(&compact), c.nodeShown);
    }
    world.vpn.setTrafficDown(1048576);
    world.vpn.setTrafficUp(1023);
    EXPECT_EQ(compact.findChild<QLabel*>(QStringLiteral("trafficDown"))->text(), QStringLiteral("1.0 MB"));
    EXPECT_EQ(compact.findChild<QLabel*>(QStringLiteral("trafficUp"))->text(), QStringLiteral("1023 B"));

    world.vpn.setState(ConnectionState::connected);
    QTest::mouseClick(power, Qt::LeftButton);
    EXPECT_EQ(world.vpn.disconnects, 1);
    world.vpn.setState(ConnectionState::disconnecting);
    QTest::mouseClick(power, Qt::LeftButton);
    ASSERT_EQ(world.vpn.connects.size(), 1) << "a press while disconnecting connects";
    for (const auto& node : world.appState->nodes()) {
        if (node.status == QLatin1String("online")) {
            EXPECT_EQ(world.vpn.connects.first().id, node.id);
            break;
        }
    }

    world.appState->setNodes({world.node(1, QStringLiteral("offline"))});
    world.vpn.setState(ConnectionState::disconnected);
    QTest::mouseClick(power, Qt::LeftButton);
    EXPECT_EQ(world.vpn.connects.size(), 1) << "no online node: nothing happens";
    world.appState->setIsLoggedIn(false);
    EXPECT_FALSE(power->isEnabled());
}

TEST_F(ContentViewTest, TheCompactWindowSaysNonVpnTrafficIsBlockedWhileTheRulesHold)
{
    world.signIn();
    CompactDashboard compact({world.vpn, *world.appState, settings()});
    compact.show();
    auto* notice = compact.findChild<BlockNotice*>(QStringLiteral("blockNotice"));
    ASSERT_TRUE(notice);
    for (const auto state : {ConnectionState::disconnected, ConnectionState::connected}) {
        world.vpn.setState(state);
        for (const bool rulesLoaded : {true, false}) {
            SCOPED_TRACE(rulesLoaded ? "rules loaded" : "no rules");
            world.vpn.setKillSwitchLoaded(rulesLoaded);
            EXPECT_EQ(notice->isVisibleTo(&compact), rulesLoaded);
        }
    }
    world.vpn.setKillSwitchLoaded(true);
    EXPECT_EQ(notice->text(), i18n::tr(QStringLiteral("网络锁生效中，非 VPN 流量已被阻止")));
    EXPECT_FALSE(saveScreenshot(compact, QStringLiteral("compact-connected-blocked")).isEmpty());

    // Chosen, connected, and its rules refused: the same line says so.
    world.vpn.setKillSwitchLoaded(false);
    world.vpn.setKillSwitchNotInForce(QStringLiteral("当前安装位置不受信任，请安装到系统目录"));
    EXPECT_TRUE(notice->isVisibleTo(&compact));
    EXPECT_EQ(notice->text(),
              i18n::tr(QStringLiteral("网络锁未生效："))
                  + i18n::tr(QStringLiteral("当前安装位置不受信任，请安装到系统目录")));
    EXPECT_FALSE(saveScreenshot(compact, QStringLiteral("compact-connected-kill-switch-not-in-force")).isEmpty());
}

TEST(CompactDashboard, TrafficFigures)
{
    struct Case {
        qint64 bytes;
        QString text;
    };
    for (const auto& c :
         {Case{-5, QStringLiteral("-5 B")}, Case{1023, QStringLiteral("1023 B")}, Case{1024, QStringLiteral("1.0 KB")},
          Case{1048576, QStringLiteral("1.0 MB")}, Case{1073741824, QStringLiteral("1.00 GB")}}) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(CompactDashboard::trafficString(c.bytes), c.text);
    }
}

TEST_F(ContentViewTest, Screenshots)
{
    world.signIn();
    QList<Announcement> announcements = world.appState->announcements();
    settings().setValue(SettingsKeys::lastSeenAnnouncementId, 0);
    for (const auto& [language, name] : kLanguages) {
        SCOPED_TRACE(name);
        LanguageScope scope(world.language, language);
        const QString suffix = QStringLiteral("-") + QLatin1String(name);
        for (const auto* appearance : {"light", "dark"}) {
            settings().setValue(SettingsKeys::appearanceOverride, QLatin1String(appearance));
            settings().setValue(SettingsKeys::windowIsCompact, false);
            auto view = makeView();
            ASSERT_EQ(view->face(), Face::full);
            saveScreenshot(*view, QStringLiteral("main-full-") + QLatin1String(appearance) + suffix);
        }
        settings().setValue(SettingsKeys::appearanceOverride, QStringLiteral("light"));

        settings().setValue(SettingsKeys::windowIsCompact, true);
        world.vpn.setConnectedNode(world.appState->nodes().first());
        world.vpn.setState(ConnectionState::connected);
        world.vpn.setTrafficDown(734003200);
        world.vpn.setTrafficUp(52428800);
        {
            auto view = makeView();
            view->resize(400, 300);
            saveScreenshot(*view, QStringLiteral("main-compact-connected") + suffix);
        }
        world.vpn.setState(ConnectionState::disconnected);
        settings().setValue(SettingsKeys::windowIsCompact, false);

        settings().setValue(SettingsKeys::touchIdEnabled, true);
        world.biometric.available = false;
        {
            auto view = makeView();
            saveScreenshot(*view, QStringLiteral("main-lock") + suffix);
        }
        settings().setValue(SettingsKeys::touchIdEnabled, false);

        world.appState->setIsLoading(true);
        {
            auto view = makeView();
            saveScreenshot(*view, QStringLiteral("main-loading") + suffix);
        }
        world.appState->setIsLoading(false);
        world.appState->setIsLoggedIn(false);
        {
            auto view = makeView();
            saveScreenshot(*view, QStringLiteral("main-sign-in") + suffix);
        }
        world.appState->setIsLoggedIn(true);
    }
}

} // namespace
