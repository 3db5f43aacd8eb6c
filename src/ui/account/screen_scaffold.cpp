#include "screen_scaffold.h"

#include "ui/common/divider.h"
#include "ui/common/scroll_column.h"
#include "ui/common/symbol_label.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

QVBoxLayout* buildScrollingScreen(QWidget* screen, const QString& title, const QString& headerSymbol)
{
    screen->setWindowTitle(title);
    auto* outer = new QVBoxLayout(screen);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    if (!headerSymbol.isEmpty()) {
        auto* header = new SymbolLabel(headerSymbol, title, TextStyle::Title2, TextColor::Primary, screen);
        QFont bold = header->textLabel()->font();
        bold.setBold(true);
        header->textLabel()->setFont(bold);
        header->setContentsMargins(20, 20, 20, 12);
        outer->addWidget(header);
        outer->addWidget(new Divider(screen));
    }

    auto* scroll = new QScrollArea(screen);
    makeSeeThrough(scroll);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    outer->addWidget(scroll, 1);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    setSeeThroughWidget(scroll, content);
    return column;
}
