#include "full_page_login_view.h"

#include "api/api_service.h"
#include "app/url_opener.h"
#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int formWidth = 280;
} // namespace

QUrl FullPageLoginView::registerPageOf(const QString& baseURL) { return QUrl(baseURL + QStringLiteral("/register")); }

FullPageLoginView::FullPageLoginView(LoginForm::Services services, UrlOpener& opener, QUrl registerPage,
                                     QWidget* parent)
    : QWidget(parent)
    , m_form(new LoginForm(std::move(services), this))
{
    auto* outer = new QVBoxLayout(this);
    outer->addStretch();
    auto* page = new QWidget(this);
    page->setFixedWidth(400);
    outer->addWidget(page, 0, Qt::AlignHCenter);
    outer->addStretch();

    auto* column = new QVBoxLayout(page);
    column->setSpacing(Spacing::s);
    column->addWidget(new SymbolView(QStringLiteral("bolt.shield.fill"), 56, TextColor::Accent, page), 0,
                      Qt::AlignHCenter);
    auto* title = makeLabel(QStringLiteral("Velmorand"), TextStyle::LargeTitle, QFont::Bold, TextColor::Primary, page);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    auto* subtitle = makeLabel(QStringLiteral("登录后开始使用"), TextStyle::Body, TextColor::Secondary, page);
    subtitle->setAlignment(Qt::AlignCenter);
    column->addWidget(subtitle);
    column->addSpacing(36);

    auto* form = new QWidget(page);
    form->setFixedWidth(formWidth);
    auto* fields = new QVBoxLayout(form);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(Spacing::xs + 2);
    fields->addWidget(makeLabel(QStringLiteral("邮箱"), TextStyle::Caption, TextColor::Secondary, form));
    m_form->emailField()->setPlaceholderText(QStringLiteral("name@example.com"));
    fields->addWidget(m_form->emailField());
    fields->addSpacing(Spacing::xs);
    fields->addWidget(makeLabel(QStringLiteral("密码"), TextStyle::Caption, TextColor::Secondary, form));
    m_form->passwordRow()->field()->setPlaceholderText(i18n::tr(QStringLiteral("输入密码")));
    fields->addWidget(m_form->passwordRow());
    fields->addSpacing(2);
    fields->addWidget(m_form->errorLine());
    fields->addWidget(m_form->rememberBox());
    column->addWidget(form, 0, Qt::AlignHCenter);

    column->addSpacing(Spacing::xl);
    auto* signIn = m_form->signInButton();
    signIn->setFixedWidth(formWidth);
    signIn->setControlSize(Button::Size::Large);
    signIn->setFont(Theme::of(this).font(TextStyle::Body, QFont::DemiBold));
    column->addWidget(signIn, 0, Qt::AlignHCenter);

    column->addSpacing(Spacing::s);
    auto* registerLink = new Button(QStringLiteral("还没有账号?去注册"), Button::Style::Link, page);
    registerLink->setObjectName(QStringLiteral("registerLink"));
    registerLink->setFont(Theme::of(this).font(TextStyle::Caption));
    registerLink->setTint(TextColor::Secondary);
    connect(registerLink, &QPushButton::clicked, this, [&opener, registerPage] { opener.open(registerPage); });
    column->addWidget(registerLink, 0, Qt::AlignHCenter);
    column->addSpacing(Spacing::xs);
    column->addWidget(m_form->forgotPasswordButton(), 0, Qt::AlignHCenter);
    column->addSpacing(Spacing::xxl);
}

void FullPageLoginView::showEvent(QShowEvent* event)
{
    // Filled in once when the page first appears; later appearances keep what was typed.
    if (!m_prefilled) {
        m_prefilled = true;
        m_form->prefillRememberedAccount();
    }
    QWidget::showEvent(event);
}
