#include "main_toolbar.h"

#include "platform/text_table.h"
#include "ui/common/icon_button.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QPainter>

MainToolbar::MainToolbar(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(48);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Spacing::xl, 0, Spacing::m, 0);
    row->setSpacing(Spacing::xs);
    m_title = makeLabel(QString(), TextStyle::Title3, QFont::DemiBold, TextColor::Primary, this);
    m_title->setObjectName(QStringLiteral("navigationTitle"));
    row->addWidget(m_title);
    row->addStretch();

    m_compact = new IconButton(QStringLiteral("macwindow.on.rectangle"), 16, this);
    m_compact->setObjectName(QStringLiteral("compactButton"));
    m_compact->setToolTip(i18n::tr(QStringLiteral("紧凑模式")));
    connect(m_compact, &QToolButton::clicked, this, &MainToolbar::compactRequested);
    row->addWidget(m_compact);

    m_appearance = new IconButton(QStringLiteral("circle.lefthalf.filled"), 16, this);
    m_appearance->setObjectName(QStringLiteral("appearanceButton"));
    connect(m_appearance, &QToolButton::clicked, this, &MainToolbar::appearanceRequested);
    row->addWidget(m_appearance);

    m_announcements = new IconButton(QStringLiteral("megaphone"), 16, this);
    m_announcements->setObjectName(QStringLiteral("announcementsButton"));
    m_announcements->setToolTip(i18n::tr(QStringLiteral("公告")));
    connect(m_announcements, &QToolButton::clicked, this, &MainToolbar::announcementsRequested);
    row->addWidget(m_announcements);
    setAppearance(QStringLiteral("system"));
}

void MainToolbar::setTitle(const QString& title) { m_title->setText(title); }

void MainToolbar::setAppearance(const QString& appearance)
{
    // The help text names the look the button switches to.
    if (appearance == QLatin1String("dark")) {
        m_appearance->setSymbol(QStringLiteral("sun.max.fill"));
        m_appearance->setToolTip(i18n::tr(QStringLiteral("跟随系统")));
    } else if (appearance == QLatin1String("light")) {
        m_appearance->setSymbol(QStringLiteral("moon.fill"));
        m_appearance->setToolTip(i18n::tr(QStringLiteral("深色")));
    } else {
        m_appearance->setSymbol(QStringLiteral("circle.lefthalf.filled"));
        m_appearance->setToolTip(i18n::tr(QStringLiteral("浅色")));
    }
}

void MainToolbar::setUnreadAnnouncements(bool unread) { m_announcements->setBadgeVisible(unread); }

void MainToolbar::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.fillRect(rect(), p.window);
    painter.setPen(p.separator);
    painter.drawLine(rect().bottomLeft(), rect().bottomRight());
}
