#include "node_list_view_widget.h"

#include "node_list_delegate.h"

#include <QMouseEvent>

QItemSelectionModel::SelectionFlags NodeListViewWidget::selectionCommand(const QModelIndex& index,
                                                                         const QEvent* event) const
{
    const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
    if (mouse && index.isValid()
        && NodeListDelegate::isOnStar(model(), index, visualRect(index), mouse->position().toPoint(), this))
        return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}
