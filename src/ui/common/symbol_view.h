#pragma once

#include "theme.h"

#include <QWidget>

// One bundled symbol in a colour role, drawn at paint time so that it follows the appearance.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& symbol, int size, TextColor color, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setColor(TextColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_size;
    TextColor m_color;
};
