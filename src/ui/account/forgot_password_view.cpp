#include "forgot_password_view.h"

#include "api/api_service.h"
#include "app/app_state.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/while_alive.h"
#include "ui/common/button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"

#include <QCoroTimer>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

namespace {

constexpr int fieldWidth = 280;
constexpr int narrowFieldWidth = 220;
constexpr int cooldownSeconds = 60;

QLineEdit* field(const QString& placeholder, int width, QWidget* parent)
{
    auto* edit = makeTextField(parent);
    edit->setPlaceholderText(placeholder);
    edit->setFixedWidth(width);
    return edit;
}

QLabel* messageLine(TextColor color, QWidget* parent)
{
    auto* label = makeLabel(QString(), TextStyle::Caption, color, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->hide();
    return label;
}

void showMessage(QLabel* label, const std::optional<QString>& message)
{
    label->setText(message.value_or(QString()));
    label->setVisible(message.has_value());
}

} // namespace

ForgotPasswordView::ForgotPasswordView(Services services, QWidget* parent)
    : SheetDialog(parent)
    , m_services(std::move(services))
    , m_api(m_services.makeApi())
{
    setWindowTitle(QStringLiteral("重置密码"));
    setFixedSize(360, 360);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Spacing::xl, Spacing::xxl, Spacing::xl, Spacing::xl);
    column->setSpacing(Spacing::m);
    column->addWidget(new SymbolView(QStringLiteral("key.horizontal.fill"), 34, TextColor::Accent, this), 0,
                      Qt::AlignHCenter);
    auto* title = makeLabel(QStringLiteral("重置密码"), TextStyle::Title3, QFont::DemiBold, TextColor::Primary, this);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildEmailStep());
    m_pages->addWidget(buildResetStep());
    m_pages->addWidget(buildDoneStep());
    column->addWidget(m_pages, 1);
    refresh();
}

ForgotPasswordView::~ForgotPasswordView() = default;

QWidget* ForgotPasswordView::buildEmailStep()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, Spacing::xs, 0, 0);
    column->setSpacing(Spacing::m);
    auto* hint
        = makeLabel(QStringLiteral("输入注册邮箱，我们会发送验证码"), TextStyle::Callout, TextColor::Secondary, page);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    column->addWidget(hint);
    m_email = field(QStringLiteral("邮箱地址"), fieldWidth, page);
    m_email->setObjectName(QStringLiteral("emailField"));
    connect(m_email, &QLineEdit::textChanged, this, &ForgotPasswordView::refresh);
    column->addWidget(m_email, 0, Qt::AlignHCenter);
    m_emailError = messageLine(TextColor::Red, page);
    m_emailError->setObjectName(QStringLiteral("emailError"));
    column->addWidget(m_emailError);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new Button(QStringLiteral("取消"), Button::Style::Plain, page);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    m_send = new Button(QStringLiteral("发送验证码"), Button::Style::Prominent, page);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setLabelWidth(110);
    connect(m_send, &QPushButton::clicked, this, &ForgotPasswordView::sendCode);
    buttons->addWidget(m_send);
    buttons->addStretch();
    column->addLayout(buttons);
    column->addStretch();
    return page;
}

QWidget* ForgotPasswordView::buildResetStep()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Spacing::s);
    m_resetSuccess = messageLine(TextColor::Green, page);
    m_resetSuccess->setObjectName(QStringLiteral("resetSuccess"));
    column->addWidget(m_resetSuccess);
    m_resetError = messageLine(TextColor::Red, page);
    m_resetError->setObjectName(QStringLiteral("resetError"));
    column->addWidget(m_resetError);

    m_code = field(QStringLiteral("验证码"), narrowFieldWidth, page);
    m_code->setObjectName(QStringLiteral("codeField"));
    m_newPassword = field(QStringLiteral("新密码"), narrowFieldWidth, page);
    m_newPassword->setObjectName(QStringLiteral("newPasswordField"));
    m_confirmPassword = field(QStringLiteral("确认新密码"), narrowFieldWidth, page);
    m_confirmPassword->setObjectName(QStringLiteral("confirmPasswordField"));
    for (auto* edit : {m_code, m_newPassword, m_confirmPassword}) {
        connect(edit, &QLineEdit::textChanged, this, &ForgotPasswordView::refresh);
        column->addWidget(edit, 0, Qt::AlignHCenter);
    }

    m_togglePassword = new Button(QString(), Button::Style::Plain, page);
    m_togglePassword->setObjectName(QStringLiteral("togglePasswordButton"));
    m_togglePassword->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_togglePassword, &QPushButton::clicked, this, [this] {
        m_showPassword = !m_showPassword;
        refresh();
    });
    column->addWidget(m_togglePassword, 0, Qt::AlignHCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* back = new Button(QStringLiteral("上一步"), Button::Style::Plain, page);
    back->setObjectName(QStringLiteral("backButton"));
    connect(back, &QPushButton::clicked, this, [this] {
        m_step = Step::email;
        m_errorMessage.reset();
        refresh();
    });
    buttons->addWidget(back);
    m_confirm = new Button(QStringLiteral("确认重置"), Button::Style::Prominent, page);
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_confirm->setLabelWidth(100);
    connect(m_confirm, &QPushButton::clicked, this, &ForgotPasswordView::resetPassword);
    buttons->addWidget(m_confirm);
    buttons->addStretch();
    column->addLayout(buttons);
    column->addStretch();
    return page;
}

QWidget* ForgotPasswordView::buildDoneStep()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(Spacing::s);
    column->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), 48, TextColor::Green, page), 0,
                      Qt::AlignHCenter);
    auto* done = makeLabel(QStringLiteral("密码已重置"), TextStyle::Title3, QFont::DemiBold, TextColor::Primary, page);
    done->setAlignment(Qt::AlignCenter);
    column->addWidget(done);
    auto* hint = makeLabel(QStringLiteral("请用新密码登录"), TextStyle::Callout, TextColor::Secondary, page);
    hint->setAlignment(Qt::AlignCenter);
    column->addWidget(hint);
    column->addSpacing(Spacing::s);
    auto* toSignIn = new Button(QStringLiteral("去登录"), Button::Style::Prominent, page);
    toSignIn->setObjectName(QStringLiteral("finishButton"));
    connect(toSignIn, &QPushButton::clicked, this, &ForgotPasswordView::finish);
    column->addWidget(toSignIn, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

void ForgotPasswordView::showEvent(QShowEvent* event)
{
    if (const auto remembered = m_services.appState.rememberedEmail())
        m_email->setText(*remembered);
    SheetDialog::showEvent(event);
}

int ForgotPasswordView::visibleLength(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

void ForgotPasswordView::sendCode()
{
    m_isLoading = true;
    m_errorMessage.reset();
    refresh();
    whileAlive(this, m_api->sendResetCode(m_email->text()), [this](const ApiService::Outcome& outcome) {
        m_isLoading = false;
        if (outcome.ok) {
            m_successMessage = outcome.message.value_or(QStringLiteral("验证码已发送"));
            m_step = Step::reset;
            m_cooldown = cooldownSeconds;
            runCooldown();
        } else {
            m_errorMessage = outcome.message.value_or(QStringLiteral("发送失败"));
        }
        refresh();
    });
}

void ForgotPasswordView::runCooldown()
{
    // A second at a time; ends by itself at 0, or when the sheet has gone.
    if (m_cooldown < 1)
        return;
    whileAlive(this, m_services.sleep(std::chrono::seconds(1)), [this] {
        if (m_cooldown >= 1)
            --m_cooldown;
        refresh();
        runCooldown();
    });
}

void ForgotPasswordView::resetPassword()
{
    if (m_newPassword->text() != m_confirmPassword->text()) {
        m_errorMessage = QStringLiteral("两次输入的密码不一致");
        refresh();
        return;
    }
    if (visibleLength(m_newPassword->text()) < 6) {
        m_errorMessage = QStringLiteral("密码至少 6 位");
        refresh();
        return;
    }
    m_isLoading = true;
    m_errorMessage.reset();
    refresh();
    whileAlive(this, m_api->resetPassword(m_email->text(), m_code->text(), m_newPassword->text()),
               [this](const ApiService::Outcome& outcome) {
                   m_isLoading = false;
                   if (outcome.ok) {
                       m_successMessage = outcome.message.value_or(QStringLiteral("密码已重置"));
                       m_step = Step::done;
                   } else {
                       m_errorMessage = outcome.message.value_or(QStringLiteral("重置失败"));
                   }
                   refresh();
               });
}

void ForgotPasswordView::finish()
{
    m_services.settings.setValue(SettingsKeys::rememberAccount, true);
    m_services.appState.saveRememberedAccount(m_email->text(), m_newPassword->text());
    accept();
}

void ForgotPasswordView::refresh()
{
    m_pages->setCurrentIndex(int(m_step));

    showMessage(m_emailError, m_errorMessage);
    m_send->setBusy(m_isLoading && m_step == Step::email);
    m_send->setText(m_cooldown > 0 ? QString::number(m_cooldown) + QStringLiteral("s 后重发")
                                   : QStringLiteral("发送验证码"));
    m_send->setEnabled(!m_isLoading && !m_email->text().isEmpty() && m_cooldown <= 0);

    showMessage(m_resetSuccess, m_successMessage);
    showMessage(m_resetError, m_errorMessage);
    const auto echo = m_showPassword ? QLineEdit::Normal : QLineEdit::Password;
    m_newPassword->setEchoMode(echo);
    m_confirmPassword->setEchoMode(echo);
    m_togglePassword->setText(m_showPassword ? QStringLiteral("隐藏密码") : QStringLiteral("显示密码"));
    m_confirm->setBusy(m_isLoading && m_step == Step::reset);
    m_confirm->setEnabled(!m_isLoading && !m_code->text().isEmpty() && !m_newPassword->text().isEmpty()
                          && !m_confirmPassword->text().isEmpty());
}
