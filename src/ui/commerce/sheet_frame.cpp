#include "sheet_frame.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/icon_button.h"
#include "ui/common/sheet_dialog.h"
#include "ui/common/spinner.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

SheetFrame::SheetFrame(SheetDialog& sheet, const QString& title, QSize fixedSize)
{
    sheet.setFixedSize(fixedSize);
    sheet.setWindowTitle(title);
    auto* outer = new QVBoxLayout(&sheet);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_titleBar = new QHBoxLayout;
    m_titleBar->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    m_titleBar->setSpacing(Spacing::s);
    m_title = makeLabel(title, TextStyle::Title3, QFont::Bold, TextColor::Primary, &sheet);
    m_titleBar->addWidget(m_title);
    m_titleBar->addStretch();
    m_close = new IconButton(QStringLiteral("xmark.circle.fill"), 19, &sheet);
    m_close->setObjectName(QStringLiteral("closeButton"));
    QObject::connect(m_close, &QToolButton::clicked, &sheet, &QDialog::reject);
    m_titleBar->addWidget(m_close);
    outer->addLayout(m_titleBar);
    outer->addWidget(new Divider(&sheet));

    m_body = new QVBoxLayout;
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
    outer->addLayout(m_body, 1);
}

QScrollArea* makeScrollColumn(QVBoxLayout*& column, int spacing, int padding, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* inner = new QWidget(scroll);
    column = new QVBoxLayout(inner);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    scroll->setWidget(inner);
    return scroll;
}

namespace {
// A page with its widgets centred between two flexible spaces. Texts take the full width (a
// wrapping label squeezed to its own width is cut), their lines centred.
QWidget* centredPage(std::initializer_list<QWidget*> widgets, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    column->addStretch();
    for (auto* widget : widgets) {
        widget->setParent(page);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setAlignment(Qt::AlignHCenter);
            column->addWidget(label);
        } else {
            column->addWidget(widget, 0, Qt::AlignHCenter);
        }
    }
    column->addStretch();
    return page;
}
} // namespace

LoadStates::LoadStates(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_stack(new QStackedWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_failure = makeLabel(QString(), TextStyle::Body, TextColor::Secondary);
    m_failure->setWordWrap(true);
    m_retry = new Button(i18n::tr(QStringLiteral("重试")), Button::Style::Link);
    connect(m_retry, &QPushButton::clicked, this, &LoadStates::retryRequested);
    m_stack->addWidget(centredPage({new Spinner(24)}, m_stack));
    m_stack->addWidget(centredPage({m_failure, m_retry}, m_stack));
    m_stack->addWidget(content);
}

void LoadStates::showLoading()
{
    m_state = State::loading;
    m_stack->setCurrentIndex(0);
}

void LoadStates::showFailure(const QString& message)
{
    m_state = State::failed;
    m_failure->setText(message);
    m_stack->setCurrentIndex(1);
}

void LoadStates::showContent()
{
    m_state = State::content;
    m_stack->setCurrentIndex(2);
}
