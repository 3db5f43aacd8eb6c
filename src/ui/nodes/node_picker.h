#pragma once

#include "api/records/node.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QWidget>

#include <optional>

class QLabel;
class QListView;
class SearchField;

// The lines of the popover's node picker: a heading per location and its online nodes.
class NodePickerModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Line {
        bool heading = false;
        // The location's flag and name for a heading.
        QString title;
        Node node;
    };

    using QAbstractListModel::QAbstractListModel;

    // The online nodes matching the search, grouped; `activeId` marks the connected node.
    void setNodes(const QList<Node>& nodes, const QString& search, std::optional<qint64> activeId);
    void setActive(std::optional<qint64> activeId);
    const Line& line(int row) const { return m_lines.at(row); }
    std::optional<qint64> activeId() const { return m_activeId; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<Line> m_lines;
    std::optional<qint64> m_activeId;
};

// Paints the picker's lines: headings in small type; a node as a dot (green when active), its
// name, its server delay, its protocol badge and, when active, a check mark.
class NodePickerDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The popover's node picker: heading with a refresh button, a search field and the scrolling
// list of every online node by location; a tap on a node asks to connect to it or, when it is the
// connected one, to disconnect. Its search text lives as long as the popover.
class NodePicker : public QWidget {
    Q_OBJECT
public:
    explicit NodePicker(QWidget* parent = nullptr);

    // The node list and the active node as they are now.
    void refresh(const QList<Node>& nodes, std::optional<qint64> activeId);
    // Only the active node changed.
    void setActive(std::optional<qint64> activeId);

    NodePickerModel* model() const { return m_model; }
    QListView* list() const { return m_list; }
    SearchField* searchField() const { return m_search; }
    QLabel* emptyLabel() const { return m_empty; }

signals:
    void nodeTapped(const Node& node);
    void refreshRequested();

private:
    void rebuild();

    QList<Node> m_nodes;
    std::optional<qint64> m_activeId;
    NodePickerModel* m_model;
    QListView* m_list;
    SearchField* m_search;
    QLabel* m_empty;
};
