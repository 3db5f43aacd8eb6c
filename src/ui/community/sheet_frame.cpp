#include "sheet_frame.h"

#include "ui/common/divider.h"
#include "ui/common/icon_button.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SheetTitleBar::SheetTitleBar(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    row->setSpacing(Spacing::s);
    m_back = new IconButton(QStringLiteral("chevron.left"), 14, this);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setTint(TextColor::Primary);
    m_back->hide();
    connect(m_back, &QToolButton::clicked, this, &SheetTitleBar::backClicked);
    row->addWidget(m_back);
    m_title = makeLabel(title, TextStyle::Title3, QFont::Bold, TextColor::Primary, this);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    row->addWidget(m_title);
    row->addStretch();
    m_close = new IconButton(QStringLiteral("xmark.circle.fill"), 20, this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QToolButton::clicked, this, &SheetTitleBar::closeClicked);
    row->addWidget(m_close);
}

QString SheetTitleBar::title() const
{
    return m_title->text();
}

void SheetTitleBar::setTitle(const QString& title)
{
    m_title->setText(title);
}

void SheetTitleBar::setBackVisible(bool visible)
{
    m_back->setVisible(visible);
}

CommunitySheet::CommunitySheet(const QString& title, QSize size, QWidget* parent)
    : SheetDialog(parent)
{
    setWindowTitle(title);
    setFixedSize(size);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_titleBar = new SheetTitleBar(title, this);
    connect(m_titleBar, &SheetTitleBar::closeClicked, this, &QDialog::reject);
    column->addWidget(m_titleBar);
    column->addWidget(new Divider(this));
    m_body = new QVBoxLayout;
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
    column->addLayout(m_body, 1);
}
