#include "action_list.h"

#include "ui/common/divider.h"
#include "ui/common/row_button.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>

ActionList::ActionList(QWidget* parent)
    : ModernCard(Qt::AlignLeft, 0, parent)
{
}

RowButton* ActionList::addAction(const QString& symbol, TextColor tint, const QString& title,
                                 const std::function<void()>& action)
{
    auto* row = new RowButton(Button::Style::Plain, this);
    row->setAccessibleName(title);
    row->row()->setContentsMargins(0, 10, 0, 10);
    row->row()->setSpacing(12);
    auto* icon = new SymbolView(symbol, 16, tint);
    icon->setFixedWidth(22);
    row->addPart(icon);
    row->addPart(makeLabel(title, TextStyle::Body));
    row->addStretch();
    row->addPart(new SymbolView(QStringLiteral("chevron.right"), 11, TextColor::Secondary));
    row->setEnabled(bool(action));
    if (action)
        connect(row, &QPushButton::clicked, this, [action] { action(); });
    addWideRow(row);
    m_rows.append(row);
    return row;
}

void ActionList::addDivider()
{
    addWideRow(new Divider(this));
    ++m_dividers;
}
