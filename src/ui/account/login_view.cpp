#include "login_view.h"

#include "ui/common/button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int formWidth = 260;
}

LoginView::LoginView(LoginForm::Services services, QWidget* parent)
    : SheetDialog(parent)
    , m_form(new LoginForm(std::move(services), this))
{
    setWindowTitle(QStringLiteral("Velmorand"));
    setFixedSize(340, 390);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Spacing::xl, Spacing::xxl, Spacing::xl, Spacing::l);
    column->setSpacing(Spacing::m);

    column->addWidget(new SymbolView(QStringLiteral("bolt.shield.fill"), 40, TextColor::Accent, this), 0,
                      Qt::AlignHCenter);
    auto* title = makeLabel(QStringLiteral("Velmorand"), TextStyle::Title2, QFont::DemiBold, TextColor::Primary, this);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);

    auto* fields = new QVBoxLayout;
    fields->setSpacing(Spacing::s + 2);
    m_form->emailField()->setPlaceholderText(QStringLiteral("邮箱地址"));
    m_form->passwordRow()->field()->setPlaceholderText(QStringLiteral("密码"));
    for (QWidget* w : {static_cast<QWidget*>(m_form->emailField()), static_cast<QWidget*>(m_form->passwordRow()),
                       static_cast<QWidget*>(m_form->rememberBox()), m_form->errorLine()}) {
        w->setFixedWidth(formWidth);
        fields->addWidget(w, 0, Qt::AlignHCenter);
    }
    column->addLayout(fields);
    column->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(Spacing::m);
    buttons->addStretch();
    auto* cancel = new Button(QStringLiteral("取消"), Button::Style::Plain, this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    m_form->signInButton()->setLabelWidth(80);
    buttons->addWidget(m_form->signInButton());
    buttons->addStretch();
    column->addLayout(buttons);
    column->addWidget(m_form->forgotPasswordButton(), 0, Qt::AlignHCenter);

    connect(m_form, &LoginForm::signedIn, this, &QDialog::accept);
}

void LoginView::showEvent(QShowEvent* event)
{
    m_form->prefillRememberedAccount();
    SheetDialog::showEvent(event);
}
