#include "service_label.h"

#include "text_label.h"

QLabel* makeServiceLabel(const QString& text, TextStyle style, TextColor color, bool wrap, QWidget* parent)
{
    auto* label = makeLabel(text, style, color, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setOpenExternalLinks(false);
    label->setWordWrap(wrap);
    return label;
}
