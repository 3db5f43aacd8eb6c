#include "copy_button.h"

#include "platform/text_table.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

CopyButton::CopyButton(const QString& text, QWidget* parent)
    : Button(i18n::tr(QStringLiteral("复制")), Style::Bordered, parent)
    , m_text(text)
{
    connect(this, &QPushButton::clicked, this, &CopyButton::copy);
}

void CopyButton::copy()
{
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_text);
    setCopied(true);
    // A coarse timer, Qt's choice for two seconds, may end the feedback up to 5 % early.
    QTimer::singleShot(feedbackDuration, Qt::PreciseTimer, this, [this] { setCopied(false); });
}

void CopyButton::setCopied(bool copied)
{
    m_copied = copied;
    setText(i18n::tr(copied ? QStringLiteral("已复制") : QStringLiteral("复制")));
}
