#pragma once

#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

#include <QList>

#include <functional>

class RowButton;

// A card of tappable rows, each an icon in its tint, a title and a chevron, separated by
// hairlines where the caller asks. A row without an action is shown disabled.
class ActionList : public ModernCard {
    Q_OBJECT
public:
    explicit ActionList(QWidget* parent = nullptr);

    RowButton* addAction(const QString& symbol, TextColor tint, const QString& title,
                         const std::function<void()>& action);
    void addDivider();

    const QList<RowButton*>& rows() const { return m_rows; }
    int dividerCount() const { return m_dividers; }

private:
    QList<RowButton*> m_rows;
    int m_dividers = 0;
};
