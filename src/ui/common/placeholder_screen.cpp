#include "placeholder_screen.h"

#include "icons.h"
#include "text_label.h"
#include "theme.h"

#include <QVBoxLayout>

PlaceholderScreen::PlaceholderScreen(const QString& title, const QString& symbol, QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(Spacing::m);
    layout->addStretch();
    auto* glyph = new QLabel(this);
    glyph->setPixmap(Icons::pixmap(symbol, Theme::shared().palette().tertiaryText, 48));
    glyph->setAlignment(Qt::AlignCenter);
    layout->addWidget(glyph);
    auto* heading = makeLabel(title, TextStyle::Title2, TextColor::Secondary, this);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    layout->addStretch();
}
