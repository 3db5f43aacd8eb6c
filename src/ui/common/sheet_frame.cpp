#include "sheet_frame.h"

#include "ui/common/divider.h"
#include "ui/common/icon_button.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
// The close symbol in the second title size.
constexpr int closeSymbolSize = 19;
} // namespace

SheetTitleBar::SheetTitleBar(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_row(new QHBoxLayout(this))
{
    m_row->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    m_row->setSpacing(Spacing::s);
    m_back = new IconButton(QStringLiteral("chevron.left"), 14, this);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setTint(TextColor::Primary);
    m_back->hide();
    connect(m_back, &QToolButton::clicked, this, &SheetTitleBar::backClicked);
    m_row->addWidget(m_back);
    m_title = makeLabel(title, TextStyle::Title3, QFont::Bold, TextColor::Primary, this);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    m_row->addWidget(m_title);
    m_row->addStretch();
    m_close = new IconButton(QStringLiteral("xmark.circle.fill"), closeSymbolSize, this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QToolButton::clicked, this, &SheetTitleBar::closeClicked);
    m_row->addWidget(m_close);
}

QString SheetTitleBar::title() const { return m_title->text(); }

void SheetTitleBar::setTitle(const QString& title) { m_title->setText(title); }

void SheetTitleBar::setBackVisible(bool visible) { m_back->setVisible(visible); }

void SheetTitleBar::addControl(QWidget* control)
{
    control->setParent(this);
    m_row->insertWidget(m_row->indexOf(m_close), control);
}

FramedSheet::FramedSheet(const QString& title, QSize size, QWidget* parent)
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
