#pragma once

#include <QStyledItemDelegate>

class SpinnerAnimation;

// Paints the lines of a NodeListModel: section headers, node rows (offline ones dimmed, without
// star and marks) and the empty message; a click on a row's star asks to toggle that favourite.
class NodeListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    NodeListDelegate(const SpinnerAnimation& spinner, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether `position` is on the star of the node row at `index`, drawn in `line` of `list`.
    static bool isOnStar(const QAbstractItemModel* model, const QModelIndex& index, const QRect& line,
                         const QPoint& position, const QWidget* list);

signals:
    void favoriteToggled(qint64 nodeId);

private:
    const SpinnerAnimation& m_spinner;
};
