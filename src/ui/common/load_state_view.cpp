#include "load_state_view.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/spinner.h"
#include "ui/common/text_label.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

// A column whose content sits between two flexible spaces.
QVBoxLayout* centredColumn(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l);
    column->setSpacing(Spacing::s);
    column->addStretch();
    return column;
}

} // namespace

LoadStateView::LoadStateView(QWidget* parent)
    : QStackedWidget(parent)
{
    m_loading = new QWidget(this);
    auto* loading = centredColumn(m_loading);
    loading->addWidget(new Spinner(24, m_loading), 0, Qt::AlignHCenter);
    loading->addStretch();
    addWidget(m_loading);

    m_error = new QWidget(this);
    auto* error = centredColumn(m_error);
    m_errorText = makeWrappedLabel(QString(), TextStyle::Body, TextColor::Secondary, m_error);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setAlignment(Qt::AlignCenter);
    error->addWidget(m_errorText);
    m_retry = new Button(i18n::tr(QStringLiteral("重试")), Button::Style::Link, m_error);
    m_retry->setObjectName(QStringLiteral("retryButton"));
    connect(m_retry, &QPushButton::clicked, this, &LoadStateView::retryRequested);
    error->addWidget(m_retry, 0, Qt::AlignHCenter);
    error->addStretch();
    addWidget(m_error);
}

void LoadStateView::showLoading() { setCurrentWidget(m_loading); }

void LoadStateView::showError(const QString& message)
{
    m_errorText->setText(message);
    setCurrentWidget(m_error);
}

void LoadStateView::addPage(QWidget* page) { addWidget(page); }

void LoadStateView::showPage(QWidget* page)
{
    Q_ASSERT(indexOf(page) >= 0);
    setCurrentWidget(page);
}

LoadStateView::State LoadStateView::state() const
{
    if (isShowingLoading())
        return State::loading;
    if (isShowingError())
        return State::failed;
    return State::content;
}

bool LoadStateView::isShowingLoading() const { return currentWidget() == m_loading; }

bool LoadStateView::isShowingError() const { return currentWidget() == m_error; }

QString LoadStateView::errorText() const { return m_errorText->text(); }
