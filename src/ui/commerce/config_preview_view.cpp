#include "config_preview_view.h"

#include "copy_feedback.h"
#include "platform/text_table.h"
#include "ui/common/button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

ConfigPreviewView::ConfigPreviewView(const QString& config, const QString& format, QWidget* parent)
    : FramedSheet(i18n::tr(QStringLiteral("配置预览")) + QStringLiteral(" · ") + format, {620, 520}, parent)
    , m_config(config)
{
    m_copy = new Button(i18n::tr(QStringLiteral("复制")), Button::Style::Bordered, this);
    m_copy->setSymbol(QStringLiteral("doc.on.doc"));
    connect(m_copy, &QPushButton::clicked, this, [this] { copyToClipboard(m_config); });
    titleBar()->addControl(m_copy);

    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setPlainText(config);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    m_text->document()->setDocumentMargin(Spacing::l);
    m_text->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    body()->addWidget(m_text);
}
