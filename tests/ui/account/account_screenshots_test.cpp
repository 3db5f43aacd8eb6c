// The account screen and the settings form in each language and appearance, rendered for a
// person to look at.
#include "settings_world.h"

#include "app/app_events.h"
#include "support/scoped_language.h"
#include "support/scoped_theme.h"
#include "support/screenshot.h"
#include "ui/account/profile_view.h"
#include "ui/account/speed_test_section.h"
#include "ui/common/button.h"
#include "ui/common/theme.h"

#include <QScrollArea>

namespace {

class AccountScreenshots : public ::testing::Test {
protected:
    void TearDown() override { lookups.manager.setLanguage(AppLanguage::zh); }

    void useLook(AppLanguage language, const QString& appearance)
    {
        lookups.manager.setLanguage(language);
        look.theme().setLanguage(rawValue(language));
        look.theme().setAppearance(appearance);
        look.theme().apply();
    }

    // The whole scrolling column in one picture.
    static void saveWhole(QWidget& screen, const QString& name)
    {
        auto* scroll = screen.findChild<QScrollArea*>();
        screen.resize(560, scroll->widget()->sizeHint().height() + 90);
        EXPECT_FALSE(saveScreenshot(screen, name).isEmpty());
    }

    ScopedLanguage lookups{AppLanguage::zh};
    ScopedTheme look;
};

TEST_F(AccountScreenshots, AccountAndSettingsInEveryLanguageAndLook)
{
    for (const auto& [language, code] : kLanguages) {
        for (const auto& appearance : {QStringLiteral("light"), QStringLiteral("dark")}) {
            useLook(language, appearance);
            const auto suffix = QStringLiteral("%1-%2").arg(QLatin1String(code), appearance);
            SettingsWorld world;
            world.languages.setLanguage(language);
            AppEvents notifier;
            world.appState.setIsLoggedIn(true);
            auto shown = sampleProfile();
            shown.commission = 36.5;
            world.appState.setProfile(shown);
            ProfileView account({.appState = world.appState,
                                 .notifier = notifier,
                                 .openSignIn = [](QWidget*) {},
                                 .openSubscription = [](QWidget*) {},
                                 .openSupport = [](QWidget*) {}});
            saveWhole(account, QStringLiteral("account-%1").arg(suffix));

            world.addApplication(QStringLiteral("Firefox"));
            world.vpn.setSplitTunnelList({world.addApplication(QStringLiteral("Thunderbird"))});
            world.settings.setValue(SettingsKeys::customDNS, QStringLiteral("1.1.1.1, 2606:4700:4700::1111"));
            world.web.setMode(LocalHttpServer::Mode::partialContent);
            world.connect(world.localNode());
            auto& settings = world.makeView();
            settings.speedTestSection()->startButton()->click();
            UiWorld::waitUntil([&] { return !settings.speedTestSection()->isTesting(); });
            saveWhole(settings, QStringLiteral("settings-%1").arg(suffix));
        }
    }
    useLook(AppLanguage::en, QStringLiteral("light"));
    SettingsWorld world;
    world.languages.setLanguage(AppLanguage::en);
    AppEvents notifier;
    ProfileView signedOut({.appState = world.appState, .notifier = notifier, .openSignIn = [](QWidget*) {}});
    saveWhole(signedOut, QStringLiteral("account-signed-out-en"));
    world.settings.setValue(SettingsKeys::customDNS, QStringLiteral("dns.example"));
    saveWhole(world.makeView(), QStringLiteral("settings-signed-out-en"));
}

TEST_F(AccountScreenshots, ThePlanCardOfAProfileWithoutATotal)
{
    useLook(AppLanguage::zh, QStringLiteral("light"));
    SettingsWorld world;
    AppEvents notifier;
    world.appState.setIsLoggedIn(true);
    auto shown = sampleProfile();
    shown.trafficTotal.reset();
    shown.trafficUsed = 45.2;
    world.appState.setProfile(shown);
    ProfileView account({.appState = world.appState, .notifier = notifier, .openSignIn = [](QWidget*) {}});
    saveWhole(account, QStringLiteral("account-without-total-zh"));
}

} // namespace
