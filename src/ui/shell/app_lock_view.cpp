#include "app_lock_view.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/icons.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QVBoxLayout>

AppLockView::AppLockView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(Spacing::xxl);
    layout->addStretch();

    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::appIcon(80, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(Spacing::s);
    heading->addWidget(new SymbolView(QStringLiteral("touchid"), 48, TextColor::Blue, this), 0, Qt::AlignHCenter);
    auto* title = makeLabel(i18n::tr(QStringLiteral("Touch ID 解锁")), TextStyle::Title2, QFont::DemiBold);
    title->setAlignment(Qt::AlignCenter);
    heading->addWidget(title);
    auto* subtitle
        = makeLabel(i18n::tr(QStringLiteral("使用指纹解锁 Velmorand")), TextStyle::Subheadline, TextColor::Secondary);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);
    heading->addWidget(subtitle);
    layout->addLayout(heading);

    auto* unlock = new Button(i18n::tr(QStringLiteral("解锁")), Button::Style::Prominent, this);
    unlock->setObjectName(QStringLiteral("unlockButton"));
    unlock->setControlSize(Button::Size::Large);
    connect(unlock, &QPushButton::clicked, this, &AppLockView::unlockRequested);
    layout->addWidget(unlock, 0, Qt::AlignHCenter);

    m_error = makeLabel(QString(), TextStyle::Caption, TextColor::Red, this);
    m_error->setObjectName(QStringLiteral("biometricError"));
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addWidget(m_error);

    auto* skip = new Button(i18n::tr(QStringLiteral("跳过解锁")), Button::Style::Link, this);
    skip->setObjectName(QStringLiteral("skipButton"));
    skip->setTint(TextColor::Secondary);
    connect(skip, &QPushButton::clicked, this, &AppLockView::skipRequested);
    layout->addWidget(skip, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void AppLockView::setError(const std::optional<QString>& error)
{
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
}

std::optional<QString> AppLockView::error() const
{
    if (m_error->isHidden())
        return std::nullopt;
    return m_error->text();
}
