#include "support/screenshot.h"
#include "ui/account/forgot_password_view.h"
#include "ui/common/button.h"
#include "ui_world.h"

#include "platform/settings_keys.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

class PasswordResetTest : public ::testing::Test {
protected:
    template <typename T>
    T* child(QWidget& sheet, const char* name)
    {
        auto* found = sheet.findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    Button* sendButton(QWidget& sheet) { return child<Button>(sheet, "sendButton"); }

    // Sends the code for the seeded account and waits for the reset step.
    void sendCode(ForgotPasswordView& sheet)
    {
        child<QLineEdit>(sheet, "emailField")->setText(account.email);
        QTest::mouseClick(sendButton(sheet), Qt::LeftButton);
        UiWorld::waitUntil([&] { return sheet.step() == ForgotPasswordView::Step::reset; });
    }
    void enterReset(ForgotPasswordView& sheet, const QString& code, const QString& password, const QString& confirm)
    {
        child<QLineEdit>(sheet, "codeField")->setText(code);
        child<QLineEdit>(sheet, "newPasswordField")->setText(password);
        child<QLineEdit>(sheet, "confirmPasswordField")->setText(confirm);
    }
    QString issuedCode() { return world.service.state().resetCodes.value(account.email); }

    UiWorld world;
    ManualClock clock;
    const StandInState::Account& account = world.service.state().account;
};

TEST_F(PasswordResetTest, SendingStartsTheCountdownAndTheResetStep)
{
    ForgotPasswordView sheet(world.resetServices(&clock), nullptr);
    sheet.show();
    EXPECT_FALSE(sendButton(sheet)->isEnabled()) << "disabled with an empty e-mail";
    sendCode(sheet);
    EXPECT_EQ(sheet.successMessage(), QStringLiteral("验证码已发送，请查收邮件"));
    EXPECT_TRUE(child<QLabel>(sheet, "resetSuccess")->isVisibleTo(&sheet));
    EXPECT_EQ(sheet.cooldown(), 60);
    EXPECT_FALSE(issuedCode().isEmpty());

    // Back on the e-mail step the send button waits out the countdown, showing what is left.
    QTest::mouseClick(child<Button>(sheet, "backButton"), Qt::LeftButton);
    EXPECT_EQ(sheet.step(), ForgotPasswordView::Step::email);
    EXPECT_EQ(sendButton(sheet)->text(), QStringLiteral("60s 后重发"));
    EXPECT_FALSE(sendButton(sheet)->isEnabled());
    for (int left = 59; left >= 1; --left) {
        ASSERT_EQ(clock.waiting(), 1);
        clock.tick();
        ASSERT_EQ(sheet.cooldown(), left);
        ASSERT_EQ(sendButton(sheet)->text(), QString::number(left) + QStringLiteral("s 后重发"));
        ASSERT_FALSE(sendButton(sheet)->isEnabled());
    }
    clock.tick();
    EXPECT_EQ(sheet.cooldown(), 0);
    EXPECT_EQ(clock.waiting(), 0) << "the countdown ends at 0";
    EXPECT_EQ(sendButton(sheet)->text(), QStringLiteral("发送验证码"));
    EXPECT_TRUE(sendButton(sheet)->isEnabled());
    // The success line stays after going back.
    EXPECT_TRUE(sheet.successMessage());
}

TEST_F(PasswordResetTest, AFailedSendShowsTheServicesTextAndStartsNoCountdown)
{
    ForgotPasswordView sheet(world.resetServices(&clock), nullptr);
    sheet.show();
    child<QLineEdit>(sheet, "emailField")->setText(QStringLiteral("nobody@example.com"));
    QTest::mouseClick(sendButton(sheet), Qt::LeftButton);
    UiWorld::waitUntil([&] { return sendButton(sheet)->isEnabled(); });
    EXPECT_EQ(sheet.step(), ForgotPasswordView::Step::email);
    EXPECT_EQ(sheet.errorMessage(), QStringLiteral("该邮箱未注册"));
    EXPECT_TRUE(child<QLabel>(sheet, "emailError")->isVisibleTo(&sheet));
    EXPECT_EQ(sheet.cooldown(), 0);
    EXPECT_EQ(clock.waiting(), 0);

    // Without a text of the service's own, the fixed fallback.
    StandInService::Override bare;
    bare.status = 200;
    bare.body = QByteArray();
    world.service.setOverride(QStringLiteral("/api/forgot-password/send-code"), bare);
    QTest::mouseClick(sendButton(sheet), Qt::LeftButton);
    UiWorld::waitUntil([&] { return sendButton(sheet)->isEnabled(); });
    EXPECT_EQ(sheet.errorMessage(), QStringLiteral("发送失败"));
}

TEST_F(PasswordResetTest, LocalChecksComeBeforeAnyRequest)
{
    ForgotPasswordView sheet(world.resetServices(&clock), nullptr);
    sheet.show();
    sendCode(sheet);
    world.service.clearRequests();
    struct Case {
        QString password, confirm, error;
    };
    for (const auto& c : {Case{QStringLiteral("abc"), QStringLiteral("abd"), QStringLiteral("两次输入的密码不一致")},
                          Case{QStringLiteral("12345"), QStringLiteral("12345"), QStringLiteral("密码至少 6 位")}}) {
        enterReset(sheet, QStringLiteral("123456"), c.password, c.confirm);
        QTest::mouseClick(child<Button>(sheet, "confirmButton"), Qt::LeftButton);
        EXPECT_EQ(sheet.errorMessage(), c.error);
        EXPECT_EQ(sheet.step(), ForgotPasswordView::Step::reset);
        // The red line shows under the green one.
        EXPECT_TRUE(child<QLabel>(sheet, "resetError")->isVisibleTo(&sheet));
        EXPECT_TRUE(child<QLabel>(sheet, "resetSuccess")->isVisibleTo(&sheet));
    }
    EXPECT_TRUE(world.service.requests().isEmpty());
}

TEST_F(PasswordResetTest, LengthCountsCharactersAsShown)
{
    struct Case {
        QString text;
        int length;
    };
    for (const auto& c : {Case{QStringLiteral("123456"), 6}, Case{QStringLiteral("12345"), 5},
                          Case{QStringLiteral("密码密码密码"), 6}, Case{QStringLiteral("😀😀😀😀😀"), 5},
                          Case{QStringLiteral("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"), 6}, Case{QString(), 0}})
        EXPECT_EQ(ForgotPasswordView::visibleLength(c.text), c.length) << c.text.toStdString();
}

TEST_F(PasswordResetTest, AWrongCodeKeepsTheResetStep)
{
    const QString before = account.password;
    ForgotPasswordView sheet(world.resetServices(&clock), nullptr);
    sheet.show();
    sendCode(sheet);
    enterReset(sheet, QStringLiteral("000000") == issuedCode() ? QStringLiteral("111111") : QStringLiteral("000000"),
               QStringLiteral("new secret"), QStringLiteral("new secret"));
    QTest::mouseClick(child<Button>(sheet, "confirmButton"), Qt::LeftButton);
    UiWorld::waitUntil([&] { return child<Button>(sheet, "confirmButton")->isEnabled(); });
    EXPECT_EQ(sheet.step(), ForgotPasswordView::Step::reset);
    EXPECT_TRUE(sheet.errorMessage());
    EXPECT_EQ(world.service.state().account.password, before);
}

TEST_F(PasswordResetTest, ResettingRemembersTheNewAccount)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, false);
    QWidget presenter;
    presenter.show();
    QPointer<ForgotPasswordView> sheet = new ForgotPasswordView(world.resetServices(&clock), &presenter);
    sheet->open();
    sendCode(*sheet);
    const QString newPassword = QStringLiteral("新的密码abc");
    enterReset(*sheet, issuedCode(), newPassword, newPassword);
    QTest::mouseClick(child<Button>(*sheet, "confirmButton"), Qt::LeftButton);
    UiWorld::waitUntil([&] { return sheet->step() == ForgotPasswordView::Step::done; });
    EXPECT_EQ(world.service.state().account.password, newPassword);

    QTest::mouseClick(child<Button>(*sheet, "finishButton"), Qt::LeftButton);
    UiWorld::waitUntil([&] { return sheet.isNull(); });
    EXPECT_EQ(world.settings.store->boolValue(SettingsKeys::rememberAccount), true);
    EXPECT_EQ(world.settings.store->stringValue(SettingsKeys::rememberedEmail), account.email);
    EXPECT_EQ(world.keychain.read(QStringLiteral("rememberedPassword")), newPassword);
}

TEST_F(PasswordResetTest, TheRememberedAddressIsFilledIn)
{
    world.settings.store->setValue(SettingsKeys::rememberAccount, true);
    world.settings.store->setValue(SettingsKeys::rememberedEmail, QStringLiteral("me@example.com"));
    ForgotPasswordView sheet(world.resetServices(&clock), nullptr);
    sheet.show();
    EXPECT_EQ(child<QLineEdit>(sheet, "emailField")->text(), QStringLiteral("me@example.com"));
}

TEST_F(PasswordResetTest, CancelClosesWithNothingSaved)
{
    QWidget presenter;
    presenter.show();
    QPointer<ForgotPasswordView> sheet = new ForgotPasswordView(world.resetServices(&clock), &presenter);
    sheet->open();
    QTest::mouseClick(child<Button>(*sheet, "cancelButton"), Qt::LeftButton);
    UiWorld::waitUntil([&] { return sheet.isNull(); });
    EXPECT_FALSE(world.settings.store->contains(SettingsKeys::rememberAccount));
}

TEST_F(PasswordResetTest, AClosedSheetStopsItsCountdown)
{
    QWidget presenter;
    presenter.show();
    QPointer<ForgotPasswordView> sheet = new ForgotPasswordView(world.resetServices(&clock), &presenter);
    sheet->open();
    sendCode(*sheet);
    sheet->reject();
    UiWorld::waitUntil([&] { return sheet.isNull(); });
    clock.tick();
    EXPECT_EQ(clock.waiting(), 0);
}

TEST_F(PasswordResetTest, Screenshots)
{
    for (const auto& [language, name] : kLanguages) {
        LanguageScope scope(world.language, language);
        ManualClock localClock;
        ForgotPasswordView sheet(world.resetServices(&localClock), nullptr);
        child<QLineEdit>(sheet, "emailField")->setText(account.email);
        saveScreenshot(sheet, QStringLiteral("reset-email-") + QLatin1String(name));
        world.service.state().resetCodeSentAt.clear();
        sendCode(sheet);
        enterReset(sheet, QStringLiteral("12"), QStringLiteral("abc"), QStringLiteral("abd"));
        QTest::mouseClick(child<Button>(sheet, "confirmButton"), Qt::LeftButton);
        saveScreenshot(sheet, QStringLiteral("reset-code-") + QLatin1String(name));
        enterReset(sheet, issuedCode(), QStringLiteral("secret-123"), QStringLiteral("secret-123"));
        QTest::mouseClick(child<Button>(sheet, "confirmButton"), Qt::LeftButton);
        UiWorld::waitUntil([&] { return sheet.step() == ForgotPasswordView::Step::done; });
        saveScreenshot(sheet, QStringLiteral("reset-done-") + QLatin1String(name));
    }
}

} // namespace
