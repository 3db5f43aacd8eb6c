#include "scoped_appearance.h"
#include "support/screenshot.h"
#include "ui/account/forgot_password_view.h"
#include "ui/account/full_page_login_view.h"
#include "ui/account/login_view.h"
#include "ui/common/button.h"
#include "ui_world.h"

#include "platform/settings_keys.h"
#include "platform/text_table.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

namespace {

const QString passwordKey = QStringLiteral("rememberedPassword");

class SignInTest : public ::testing::Test {
protected:
    void fill(LoginForm& form, const QString& email, const QString& password)
    {
        form.emailField()->setText(email);
        form.passwordRow()->field()->setText(password);
    }

    UiWorld world;
    const StandInState::Account& account = world.service.state().account;
};

TEST_F(SignInTest, SignInButtonNeedsBothFieldsAndTakesBlanksAsText)
{
    FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
    auto& form = page.form();
    struct Case {
        QString email, password;
        bool enabled;
    };
    for (const auto& c : {Case{{}, {}, false}, Case{QStringLiteral("a@b.c"), {}, false},
                          Case{{}, QStringLiteral("x"), false}, Case{QStringLiteral(" "), QStringLiteral(" "), true},
                          Case{QStringLiteral("a@b.c"), QStringLiteral("pw"), true}}) {
        fill(form, c.email, c.password);
        EXPECT_EQ(form.signInButton()->isEnabled(), c.enabled)
            << c.email.toStdString() << "/" << c.password.toStdString();
    }
    // Return in a field presses nothing.
    EXPECT_FALSE(form.signInButton()->isDefault());
    EXPECT_FALSE(form.signInButton()->autoDefault());
}

TEST_F(SignInTest, SuccessSignsInAndRemembersTheAccountWhenTicked)
{
    FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
    page.show();
    auto& form = page.form();
    fill(form, account.email, account.password);
    form.rememberBox()->setChecked(true);
    QTest::mouseClick(form.signInButton(), Qt::LeftButton);
    EXPECT_TRUE(form.isLoading());
    EXPECT_FALSE(form.signInButton()->isEnabled());
    EXPECT_TRUE(form.signInButton()->isBusy());
    UiWorld::waitUntil([&] { return !form.isLoading(); });

    EXPECT_TRUE(world.appState->isLoggedIn());
    EXPECT_FALSE(form.errorLine()->isVisibleTo(&page));
    EXPECT_EQ(world.settings.store->boolValue(SettingsKeys::rememberAccount), true);
    EXPECT_EQ(world.settings.store->stringValue(SettingsKeys::rememberedEmail), account.email);
    EXPECT_EQ(world.keychain.read(passwordKey), account.password);

    // The next sign-in screen comes up filled in.
    FullPageLoginView next(world.loginServices(), world.urlOpener, QUrl());
    next.show();
    EXPECT_EQ(next.form().emailField()->text(), account.email);
    EXPECT_EQ(next.form().passwordRow()->field()->text(), account.password);
    EXPECT_TRUE(next.form().rememberBox()->isChecked());
}

TEST_F(SignInTest, SuccessWithTheBoxClearForgetsARememberedAccount)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, true);
    world.settings.store->setValue(SettingsKeys::rememberedEmail, QStringLiteral("old@example.com"));
    world.keychain.save(QStringLiteral("old password"), passwordKey);

    FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
    page.show();
    auto& form = page.form();
    EXPECT_EQ(form.emailField()->text(), QStringLiteral("old@example.com"));
    EXPECT_EQ(form.passwordRow()->field()->text(), QStringLiteral("old password"));
    ASSERT_TRUE(form.rememberBox()->isChecked());
    fill(form, account.email, account.password);
    form.rememberBox()->setChecked(false);
    form.login();
    UiWorld::waitUntil([&] { return !form.isLoading(); });

    EXPECT_TRUE(world.appState->isLoggedIn());
    EXPECT_EQ(world.settings.store->boolValue(SettingsKeys::rememberAccount), false);
    EXPECT_FALSE(world.settings.store->contains(SettingsKeys::rememberedEmail));
    EXPECT_FALSE(world.keychain.read(passwordKey));

    FullPageLoginView next(world.loginServices(), world.urlOpener, QUrl());
    next.show();
    EXPECT_TRUE(next.form().emailField()->text().isEmpty());
    EXPECT_TRUE(next.form().passwordRow()->field()->text().isEmpty());
    EXPECT_FALSE(next.form().rememberBox()->isChecked());
}

TEST_F(SignInTest, AWrongPasswordShowsTheRefusalTextAndKeepsTheFields)
{
    for (const auto& [language, name] : kLanguages) {
        SCOPED_TRACE(name);
        LanguageScope scope(world.language, language);
        FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
        page.show();
        auto& form = page.form();
        fill(form, account.email, QStringLiteral("not the password"));
        form.login();
        UiWorld::waitUntil([&] { return !form.isLoading(); });
        EXPECT_FALSE(world.appState->isLoggedIn());
        EXPECT_EQ(form.errorMessage(), i18n::tr(QStringLiteral("邮箱或密码错误")));
        EXPECT_TRUE(form.errorLine()->isVisibleTo(&page));
        EXPECT_EQ(form.passwordRow()->field()->text(), QStringLiteral("not the password"));
        EXPECT_TRUE(form.signInButton()->isEnabled());
        // Editing leaves the message until the next attempt.
        form.passwordRow()->field()->setText(QStringLiteral("again"));
        EXPECT_TRUE(form.errorMessage());
        saveScreenshot(page, QStringLiteral("sign-in-full-page-refused-") + QLatin1String(name));
    }
    EXPECT_EQ(world.appState->isLoggedIn(), false);
    EXPECT_EQ(i18n::tr(QStringLiteral("邮箱或密码错误"), AppLanguage::en), QStringLiteral("Invalid email or password"));
}

TEST_F(SignInTest, ANetworkFailureShowsTheClientsDescription)
{
    world.useApi(world.makeApi(QStringLiteral("http://127.0.0.1:%1").arg(StandInService::closedPort())));
    FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
    auto& form = page.form();
    fill(form, account.email, account.password);
    form.login();
    UiWorld::waitUntil([&] { return !form.isLoading(); });
    ASSERT_TRUE(form.errorMessage());
    EXPECT_TRUE(form.errorMessage()->startsWith(QStringLiteral("网络错误: "))) << form.errorMessage()->toStdString();
    EXPECT_FALSE(world.appState->isLoggedIn());
}

TEST_F(SignInTest, AServerErrorShowsItsStatus)
{
    StandInService::Override broken;
    broken.status = 502;
    broken.body = QByteArray("bad gateway");
    world.service.setOverride(QStringLiteral("/api/login"), broken);
    FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
    auto& form = page.form();
    fill(form, account.email, account.password);
    form.login();
    UiWorld::waitUntil([&] { return !form.isLoading(); });
    EXPECT_EQ(form.errorMessage(), QStringLiteral("服务器错误: HTTP 502"));
}

TEST_F(SignInTest, CancellingTheSheetDuringSignInStillCompletesIt)
{
    StandInService::Override slow;
    slow.delay = std::chrono::milliseconds(300);
    world.service.setOverride(QStringLiteral("/api/login"), slow);

    QWidget presenter;
    presenter.show();
    QPointer<LoginView> sheet = new LoginView(world.loginServices(), &presenter);
    sheet->open();
    ASSERT_TRUE(sheet->isVisible());
    fill(sheet->form(), account.email, account.password);
    sheet->form().rememberBox()->setChecked(true);
    QTest::mouseClick(sheet->form().signInButton(), Qt::LeftButton);
    ASSERT_TRUE(sheet->form().isLoading());

    auto* cancel = sheet->findChild<Button*>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(cancel);
    EXPECT_TRUE(cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    UiWorld::waitUntil([&] { return sheet.isNull(); });

    UiWorld::waitUntil([&] { return world.appState->isLoggedIn(); });
    EXPECT_EQ(world.settings.store->stringValue(SettingsKeys::rememberedEmail), account.email);
    EXPECT_EQ(world.keychain.read(passwordKey), account.password);
}

TEST_F(SignInTest, TheSheetClosesItselfAfterASuccessfulSignIn)
{
    QWidget presenter;
    presenter.show();
    QPointer<LoginView> sheet = new LoginView(world.loginServices(), &presenter);
    sheet->open();
    EXPECT_TRUE(sheet->isModal() || sheet->windowModality() == Qt::WindowModal);
    fill(sheet->form(), account.email, account.password);
    sheet->form().login();
    UiWorld::waitUntil([&] { return sheet.isNull(); });
    EXPECT_TRUE(world.appState->isLoggedIn());
}

TEST_F(SignInTest, AfterSignOutTheBoxStaysTickedWithEmptyFields)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, true);
    world.appState->saveRememberedAccount(account.email, account.password);
    world.signIn();
    world.appState->logout();

    QWidget presenter;
    LoginView sheet(world.loginServices(), &presenter);
    sheet.show();
    EXPECT_TRUE(sheet.form().rememberBox()->isChecked());
    EXPECT_TRUE(sheet.form().emailField()->text().isEmpty());
    EXPECT_TRUE(sheet.form().passwordRow()->field()->text().isEmpty());
}

TEST_F(SignInTest, ThePasswordEyeShowsAndHidesThePassword)
{
    LoginView sheet(world.loginServices(), nullptr);
    auto* row = sheet.form().passwordRow();
    EXPECT_EQ(row->field()->echoMode(), QLineEdit::Password);
    QTest::mouseClick(row->findChild<QToolButton*>(QStringLiteral("showPasswordButton")), Qt::LeftButton);
    EXPECT_EQ(row->field()->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(row->isShown());
    row->setShown(false);
    EXPECT_EQ(row->field()->echoMode(), QLineEdit::Password);
}

TEST_F(SignInTest, TheRegisterLinkOpensTheServicesRegisterPage)
{
    const QUrl page(world.service.baseUrl(world.port) + QStringLiteral("/register"));
    FullPageLoginView view(world.loginServices(), world.urlOpener, page);
    QTest::mouseClick(view.findChild<Button*>(QStringLiteral("registerLink")), Qt::LeftButton);
    ASSERT_EQ(world.urlOpener.opened.size(), 1);
    EXPECT_EQ(world.urlOpener.opened.first(), page);
    // The sheet has neither a register link nor a subtitle.
    LoginView sheet(world.loginServices(), nullptr);
    EXPECT_FALSE(sheet.findChild<Button*>(QStringLiteral("registerLink")));
}

TEST_F(SignInTest, ForgotPasswordOpensOneResetSheet)
{
    FullPageLoginView view(world.loginServices(), world.urlOpener, QUrl());
    view.show();
    QTest::mouseClick(view.form().forgotPasswordButton(), Qt::LeftButton);
    QPointer<QWidget> sheet = view.form().forgotPasswordSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(qobject_cast<ForgotPasswordView*>(sheet));
    QTest::mouseClick(view.form().forgotPasswordButton(), Qt::LeftButton);
    EXPECT_EQ(view.form().forgotPasswordSheet(), sheet.data());
}

TEST_F(SignInTest, AFinishedResetFillsTheScreenWithTheAccountAndTheNewPassword)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, false);
    FullPageLoginView view(world.loginServices(), world.urlOpener, QUrl());
    view.show();
    fill(view.form(), QStringLiteral("typo@example.com"), QStringLiteral("forgotten"));
    QTest::mouseClick(view.form().forgotPasswordButton(), Qt::LeftButton);
    QPointer<ForgotPasswordView> sheet = qobject_cast<ForgotPasswordView*>(view.form().forgotPasswordSheet());
    ASSERT_TRUE(sheet);
    const auto field = [&](const char* name) { return sheet->findChild<QLineEdit*>(QLatin1String(name)); };
    const auto press
        = [&](const char* name) { QTest::mouseClick(sheet->findChild<Button*>(QLatin1String(name)), Qt::LeftButton); };

    field("emailField")->setText(account.email);
    press("sendButton");
    UiWorld::waitUntil([&] { return sheet->step() == ForgotPasswordView::Step::reset; });
    const QString newPassword = QStringLiteral("新的密码abc");
    field("codeField")->setText(world.service.state().resetCodes.value(account.email));
    field("newPasswordField")->setText(newPassword);
    field("confirmPasswordField")->setText(newPassword);
    press("confirmButton");
    UiWorld::waitUntil([&] { return sheet->step() == ForgotPasswordView::Step::done; });
    press("finishButton");
    UiWorld::waitUntil([&] { return sheet.isNull(); });

    EXPECT_EQ(view.form().emailField()->text(), account.email);
    EXPECT_EQ(view.form().passwordRow()->field()->text(), newPassword);
    EXPECT_TRUE(view.form().rememberBox()->isChecked()) << "the reset remembers the account";
}

TEST_F(SignInTest, Screenshots)
{
    for (const auto& [language, appearance, name] : kLooks) {
        LanguageScope scope(world.language, language);
        ScopedAppearance look(appearance);
        FullPageLoginView page(world.loginServices(), world.urlOpener, QUrl());
        page.resize(480, 640);
        saveScreenshot(page, QStringLiteral("sign-in-full-page-") + QLatin1String(name));

        LoginView sheet(world.loginServices(), nullptr);
        fill(sheet.form(), account.email, account.password);
        sheet.form().signInButton()->setBusy(true);
        saveScreenshot(sheet, QStringLiteral("sign-in-sheet-busy-") + QLatin1String(name));
    }
}

} // namespace
