#include "node_list_model.h"

using NodeListRules::Line;

void NodeListModel::setLines(QList<Line> lines, RowState state, QString emptyMessage)
{
    beginResetModel();
    m_lines = std::move(lines);
    m_state = std::move(state);
    m_emptyMessage = std::move(emptyMessage);
    m_firstRow.clear();
    m_firstRow.reserve(m_lines.size());
    m_alternate.resize(m_lines.size());
    bool alternate = false;
    for (int row = 0; row < m_lines.size(); ++row) {
        const auto& line = m_lines.at(row);
        const bool isNode = line.kind == Line::Kind::node || line.kind == Line::Kind::offlineNode;
        m_alternate[row] = isNode && alternate;
        alternate = isNode && !alternate;
        if (isNode && !m_firstRow.contains(line.node.id))
            m_firstRow.insert(line.node.id, row);
    }
    endResetModel();
}

void NodeListModel::setConnection(std::optional<qint64> connectedId, std::optional<qint64> connectingId)
{
    if (connectedId == m_state.connectedId && connectingId == m_state.connectingId)
        return;
    m_state.connectedId = connectedId;
    m_state.connectingId = connectingId;
    if (!m_lines.isEmpty())
        emit dataChanged(index(0), index(int(m_lines.size()) - 1));
}

NodeRow NodeListModel::nodeRow(int row) const
{
    const auto& line = m_lines.at(row);
    if (line.kind == Line::Kind::offlineNode)
        return {line.node, std::nullopt, false, false, false, false, false};
    const auto probe = m_state.probes.constFind(line.node.id);
    const bool measured = probe != m_state.probes.cend();
    return {line.node,
            measured ? *probe : std::nullopt,
            measured && !probe->has_value(),
            m_state.connectedId == line.node.id,
            m_state.connectingId == line.node.id,
            true,
            m_state.favorites.contains(line.node.id)};
}

std::optional<int> NodeListModel::rowOf(qint64 nodeId) const
{
    const auto found = m_firstRow.constFind(nodeId);
    if (found == m_firstRow.cend())
        return std::nullopt;
    return *found;
}

int NodeListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }

QVariant NodeListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const auto& line = m_lines.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (line.kind == Line::Kind::node || line.kind == Line::Kind::offlineNode)
            return line.node.name;
        return line.kind == Line::Kind::empty ? m_emptyMessage : line.title;
    case NodeIdRole:
        if (line.kind == Line::Kind::node || line.kind == Line::Kind::offlineNode)
            return line.node.id;
        return {};
    case KindRole:
        return int(line.kind);
    default:
        return {};
    }
}

Qt::ItemFlags NodeListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const auto kind = m_lines.at(index.row()).kind;
    if (kind == Line::Kind::node || kind == Line::Kind::offlineNode)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled;
}
