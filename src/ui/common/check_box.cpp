#include "check_box.h"

QCheckBox* makeCheckBox(const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    // Its colours come from the palette the theme gives every check box.
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 7px; }"));
    return box;
}
