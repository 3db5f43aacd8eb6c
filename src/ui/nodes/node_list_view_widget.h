#pragma once

#include <QListView>

// The node list's view: a press on a row's star toggles the favourite (through the delegate) and
// leaves the selection, and with it the bottom bar, as it was.
class NodeListViewWidget : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
};
