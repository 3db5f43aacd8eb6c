#pragma once

#include "node_list_rules.h"
#include "node_row.h"

#include <QAbstractListModel>

// The lines of the node list (headers, nodes, the empty message) for one list view; a delegate
// paints them. Rebuilt as a whole when the nodes, the search, a latency or a favourite changes;
// the connection marks change in place.
class NodeListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NodeIdRole = Qt::UserRole + 1, KindRole };

    // What every node line needs besides its node.
    struct RowState {
        NodeListRules::ProbeResults probes;
        QSet<qint64> favorites;
        std::optional<qint64> connectedId;
        std::optional<qint64> connectingId;
    };

    using QAbstractListModel::QAbstractListModel;

    // Replaces every line; `emptyMessage` is the text of the empty line.
    void setLines(QList<NodeListRules::Line> lines, RowState state, QString emptyMessage);
    // Only the connection marks change: the lines stay, and so does the selection.
    void setConnection(std::optional<qint64> connectedId, std::optional<qint64> connectingId);

    const NodeListRules::Line& line(int row) const { return m_lines.at(row); }
    const QString& emptyMessage() const { return m_emptyMessage; }
    // The painted face of a node line.
    NodeRow nodeRow(int row) const;
    // Every other node line of a section, counted from its header, has the alternate background.
    bool isAlternate(int row) const { return m_alternate.at(row); }
    // The first line of the node, if it is listed.
    std::optional<int> rowOf(qint64 nodeId) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<NodeListRules::Line> m_lines;
    RowState m_state;
    QString m_emptyMessage;
    QHash<qint64, int> m_firstRow;
    QList<bool> m_alternate;
};
