#include "login_form.h"

#include "app/app_state.h"
#include "app/keychain_helper.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/account/forgot_password_view.h"
#include "ui/common/button.h"
#include "ui/common/check_box.h"
#include "ui/common/icon_button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>

#include <memory>

namespace {

// Signs in and, on success, stores the remember choice: the box's state as last seen, followed
// while the request is on its way, also when the box closes with its sheet meanwhile.
QCoro::Task<AppState::LoginResult> signInAndRemember(LoginForm::Services services, QString email, QString password,
                                                     QCheckBox* box)
{
    const auto remember = std::make_shared<bool>(box->isChecked());
    const auto following
        = QObject::connect(box, &QCheckBox::toggled, box, [remember](bool checked) { *remember = checked; });
    const auto result = co_await services.appState.login(email, password);
    QObject::disconnect(following);
    if (result.ok) {
        services.settings.setValue(SettingsKeys::rememberAccount, *remember);
        services.appState.saveRememberedAccount(email, password);
    }
    co_return result;
}

const QString rememberedPasswordKey = QStringLiteral("rememberedPassword");

} // namespace

PasswordRow::PasswordRow(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Spacing::xs);
    m_field = makeTextField(this);
    m_field->setObjectName(QStringLiteral("passwordField"));
    m_field->setEchoMode(QLineEdit::Password);
    row->addWidget(m_field, 1);
    m_eye = new IconButton(QStringLiteral("eye"), 15, this);
    m_eye->setObjectName(QStringLiteral("showPasswordButton"));
    connect(m_eye, &QToolButton::clicked, this, [this] { setShown(!m_shown); });
    row->addWidget(m_eye);
}

void PasswordRow::setShown(bool shown)
{
    m_shown = shown;
    m_field->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    m_eye->setSymbol(shown ? QStringLiteral("eye.slash") : QStringLiteral("eye"));
}

LoginForm::LoginForm(Services services, QWidget* screen)
    : QObject(screen)
    , m_services(std::move(services))
    , m_screen(screen)
{
    m_email = makeTextField(screen);
    m_email->setObjectName(QStringLiteral("emailField"));
    m_password = new PasswordRow(screen);
    m_remember = makeCheckBox(QStringLiteral("记住账号"), screen);
    m_remember->setObjectName(QStringLiteral("rememberBox"));
    m_remember->setFont(Theme::of(m_remember).font(TextStyle::Caption));

    m_errorLine = new QWidget(screen);
    m_errorLine->setObjectName(QStringLiteral("errorLine"));
    auto* errorRow = new QHBoxLayout(m_errorLine);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->setSpacing(Spacing::xs + 1);
    errorRow->addWidget(
        new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 12, TextColor::Red, m_errorLine), 0,
        Qt::AlignTop);
    m_errorText = makeLabel(QString(), TextStyle::Caption, TextColor::Red, m_errorLine);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    errorRow->addWidget(m_errorText, 1);
    m_errorLine->hide();

    m_signIn = new Button(QStringLiteral("登录"), Button::Style::Prominent, screen);
    m_signIn->setObjectName(QStringLiteral("signInButton"));
    connect(m_signIn, &QPushButton::clicked, this, &LoginForm::login);

    m_forgot = new Button(QStringLiteral("忘记密码?"), Button::Style::Link, screen);
    m_forgot->setObjectName(QStringLiteral("forgotPasswordButton"));
    m_forgot->setFont(Theme::of(m_forgot).font(TextStyle::Caption));
    m_forgot->setTint(TextColor::Secondary);
    connect(m_forgot, &QPushButton::clicked, this, [this] {
        if (m_forgotSheet)
            return;
        m_forgotSheet = m_services.openForgotPassword(m_screen);
        // A reset that ends with "去登录" made the account and its new password the remembered
        // ones: the fields on display show them, not what was typed before.
        if (auto* sheet = qobject_cast<QDialog*>(m_forgotSheet.data()))
            connect(sheet, &QDialog::accepted, this, &LoginForm::prefillRememberedAccount);
    });

    connect(m_email, &QLineEdit::textChanged, this, &LoginForm::refresh);
    connect(m_password->field(), &QLineEdit::textChanged, this, &LoginForm::refresh);
    refresh();
}

void LoginForm::prefillRememberedAccount()
{
    const bool remember = m_services.settings.boolOr(SettingsKeys::rememberAccount, false);
    m_remember->setChecked(remember);
    if (const auto email = m_services.appState.rememberedEmail())
        m_email->setText(*email);
    if (remember) {
        if (const auto password = m_services.keychain.read(rememberedPasswordKey))
            m_password->field()->setText(*password);
    }
}

void LoginForm::login()
{
    m_isLoading = true;
    m_errorMessage.reset();
    refresh();
    // The request outlives a sheet closed meanwhile: a sign-in that then succeeds still signs the
    // user in and saves the remembered account, with the box as it was last seen.
    auto request = signInAndRemember(m_services, m_email->text(), m_password->field()->text(), m_remember);
    whileAlive(this, std::move(request), [this](const AppState::LoginResult& result) {
        m_isLoading = false;
        if (!result.ok)
            m_errorMessage = result.message.value_or(i18n::tr(QStringLiteral("邮箱或密码错误")));
        refresh();
        if (result.ok)
            emit signedIn();
    });
}

void LoginForm::refresh()
{
    m_errorText->setText(m_errorMessage.value_or(QString()));
    m_errorLine->setVisible(m_errorMessage.has_value());
    m_signIn->setBusy(m_isLoading);
    m_signIn->setEnabled(!m_email->text().isEmpty() && !m_password->field()->text().isEmpty() && !m_isLoading);
}
