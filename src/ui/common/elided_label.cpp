#include "elided_label.h"

#include "text_label.h"

#include <QEvent>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_fullText = text;
    elide();
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const
{
    const auto margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(m_fullText) + margins.left() + margins.right(),
            QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const auto margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() + margins.right(),
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        elide();
        updateGeometry();
    }
}

void ElidedLabel::elide()
{
    const auto shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, contentsRect().width());
    if (shown != text())
        setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}

ElidedLabel* makeElidedLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color,
                             QWidget* parent)
{
    auto* label = new ElidedLabel(text, parent);
    styleLabel(label, style, weight, color);
    return label;
}

ElidedLabel* makeElidedLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeElidedLabel(text, style, Theme::shared().font(style).weight(), color, parent);
}
