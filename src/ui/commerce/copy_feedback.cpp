#include "copy_feedback.h"

#include "platform/text_table.h"
#include "ui/common/button.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextBoundaryFinder>
#include <QTimer>

void copyToClipboard(const QString& text)
{
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

int readableLength(const QString& text)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int clusters = 0;
    for (auto at = graphemes.toNextBoundary(); at > 0; at = graphemes.toNextBoundary())
        ++clusters;
    return clusters;
}

CopyFeedback::CopyFeedback(Button& button, QString idleTitle, std::chrono::milliseconds hold)
    : QObject(&button)
    , m_button(button)
    , m_idleTitle(std::move(idleTitle))
    , m_hold(hold)
{
    setCopied(false);
}

void CopyFeedback::copy(const QString& text)
{
    copyToClipboard(text);
    setCopied(true);
    QTimer::singleShot(m_hold, this, [this] { setCopied(false); });
}

void CopyFeedback::setCopied(bool copied)
{
    m_copied = copied;
    m_button.setText(copied ? i18n::tr(QStringLiteral("已复制")) : m_idleTitle);
}
