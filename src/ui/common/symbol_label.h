#pragma once

#include "text_label.h"
#include "theme.h"

#include <QWidget>

class SymbolView;

// A symbol followed by a text in one style and colour role: the title of a card, the label of a
// button.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QString& symbol, const QString& text, TextStyle style, TextColor color,
                QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    void setSymbol(const QString& symbol);
    TextColor color() const { return m_color; }
    void setColor(TextColor color);
    TextLabel* textLabel() const { return m_text; }

private:
    SymbolView* m_symbol;
    TextLabel* m_text;
    TextColor m_color;
};
