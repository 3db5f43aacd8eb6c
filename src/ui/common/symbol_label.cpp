#include "symbol_label.h"

#include "symbol_view.h"
#include "text_label.h"

#include <QHBoxLayout>

SymbolLabel::SymbolLabel(const QString& symbol, const QString& text, TextStyle style, TextColor color, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
{
    const QFont font = Theme::of(this).font(style);
    // The symbol a little taller than the text's capitals, as a symbol next to text is drawn.
    m_symbol = new SymbolView(symbol, font.pixelSize() + 2, color, this);
    m_text = makeLabel(text, style, color, this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(qMax(4, font.pixelSize() / 3));
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    row->addWidget(m_text, 0, Qt::AlignVCenter);
    row->addStretch();
}

QString SymbolLabel::text() const { return m_text->text(); }

void SymbolLabel::setText(const QString& text) { m_text->setText(text); }

void SymbolLabel::setSymbol(const QString& symbol) { m_symbol->setSymbol(symbol); }

void SymbolLabel::setColor(TextColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    m_symbol->setColor(color);
    setTextColor(m_text, color);
}
