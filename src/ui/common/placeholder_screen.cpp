#include "placeholder_screen.h"

#include "symbol_view.h"
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
    layout->addWidget(new SymbolView(symbol, 48, TextColor::Tertiary, this), 0, Qt::AlignHCenter);
    auto* heading = makeLabel(title, TextStyle::Title2, TextColor::Secondary, this);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    layout->addStretch();
}
