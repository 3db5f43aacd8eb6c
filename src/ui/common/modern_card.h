#pragma once

#include "card_frame.h"

#include <Qt>

class QLayout;
class QVBoxLayout;

// A card of the dashboard and the account screen: the rounded panel holding one column of rows
// with the card's own alignment and spacing. The card spans the full width it is given.
class ModernCard : public CardFrame {
    Q_OBJECT
public:
    // `alignment` places rows narrower than the card: Qt::AlignHCenter or Qt::AlignLeft.
    ModernCard(Qt::Alignment alignment, int spacing, QWidget* parent = nullptr);

    QVBoxLayout* column() const { return m_column; }
    // A row at its natural width, placed by the card's alignment.
    void addRow(QWidget* row);
    // A row stretched over the card's full width (titles, rows with flexible space).
    void addWideRow(QWidget* row);
    void addWideRow(QLayout* row);

private:
    QVBoxLayout* m_column;
    Qt::Alignment m_alignment;
};
