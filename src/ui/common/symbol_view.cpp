#include "symbol_view.h"

#include "icons.h"

#include <QPainter>

SymbolView::SymbolView(const QString& symbol, int size, TextColor color, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
    , m_color(color)
{
    setFixedSize(size, size);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void SymbolView::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(TextColor color)
{
    m_color = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0,
                       Icons::pixmap(m_symbol, Theme::of(this).palette().color(m_color), m_size, devicePixelRatioF()));
}
