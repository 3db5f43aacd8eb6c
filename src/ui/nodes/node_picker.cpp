#include "node_picker.h"

#include "node_row.h"
#include "platform/text_table.h"
#include "popover_rules.h"
#include "ui/common/icon_button.h"
#include "ui/common/icons.h"
#include "ui/common/one_line_text.h"
#include "ui/common/search_field.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int sidePadding = 16;
constexpr int headingHeight = 24;

} // namespace

void NodePickerModel::setNodes(const QList<Node>& nodes, const QString& search, std::optional<qint64> activeId)
{
    beginResetModel();
    m_lines.clear();
    m_activeId = activeId;
    for (const auto& group : PopoverRules::pickerGroups(nodes, search, i18n::tr(QStringLiteral("其他")))) {
        m_lines.append({true, group.nodes.first().regionEmoji() + QLatin1Char(' ') + group.region, {}});
        for (const auto& node : group.nodes)
            m_lines.append({false, {}, node});
    }
    endResetModel();
}

void NodePickerModel::setActive(std::optional<qint64> activeId)
{
    if (activeId == m_activeId)
        return;
    m_activeId = activeId;
    if (!m_lines.isEmpty())
        emit dataChanged(index(0), index(int(m_lines.size()) - 1));
}

int NodePickerModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }

QVariant NodePickerModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const auto& line = m_lines.at(index.row());
    return line.heading ? line.title : line.node.name;
}

Qt::ItemFlags NodePickerModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || m_lines.at(index.row()).heading)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

void NodePickerDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const NodePickerModel*>(index.model());
    if (!model)
        return;
    const auto& line = model->line(index.row());
    const auto& theme = Theme::of(option.widget);
    const auto& colors = theme.palette();
    const QRect rect = option.rect.adjusted(sidePadding, 0, -sidePadding, 0);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (line.heading) {
        painter->setFont(theme.font(TextStyle::Caption2, QFont::DemiBold));
        painter->setPen(colors.secondaryText);
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignBottom,
                          elidedLine(painter->fontMetrics(), line.title, rect.width()));
        painter->restore();
        return;
    }
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, withOpacity(colors.text, 0.05));
    const bool active = model->activeId() == line.node.id;
    int right = rect.right();
    if (active) {
        const QRect mark(right - 12, rect.center().y() - 6, 12, 12);
        painter->drawPixmap(mark,
                            Icons::pixmap(QStringLiteral("checkmark.circle.fill"), colors.green, 12,
                                          painter->device()->devicePixelRatioF()));
        right = mark.left() - 8;
    }
    const QSize badgeSize = NodeRow::badgeSize(line.node.method, option.widget);
    const QRect badge(QPoint(right - badgeSize.width(), rect.center().y() - badgeSize.height() / 2), badgeSize);
    NodeRow::paintBadge(*painter, badge, line.node.method, option.widget);
    right = badge.left() - 8;
    if (line.node.delay) {
        const QFont delayFont = theme.font(TextStyle::Caption);
        const QString delay = QString::number(*line.node.delay) + QStringLiteral("ms");
        const int width = QFontMetrics(delayFont).horizontalAdvance(delay);
        painter->setFont(delayFont);
        painter->setPen(colors.secondaryText);
        painter->drawText(QRect(right - width, rect.top(), width + 1, rect.height()), Qt::AlignRight | Qt::AlignVCenter,
                          delay);
        right -= width + 8;
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(active ? colors.green : withOpacity(colors.gray, 0.4));
    painter->drawEllipse(QRectF(rect.left(), rect.center().y() - 3, 6, 6));
    const QFont nameFont = theme.font(TextStyle::Subheadline);
    const int left = rect.left() + 6 + 8;
    painter->setFont(nameFont);
    painter->setPen(colors.text);
    painter->drawText(QRect(left, rect.top(), std::max(0, right - left), rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      elidedLine(QFontMetrics(nameFont), line.node.name, right - left));
    painter->restore();
}

QSize NodePickerDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const NodePickerModel*>(index.model());
    if (model && model->line(index.row()).heading)
        return {option.rect.width(), headingHeight};
    // Measured each time: the theme, and so the font, is the widget's, not the first one asked.
    return {option.rect.width(), QFontMetrics(Theme::of(option.widget).font(TextStyle::Subheadline)).height() + 12};
}

NodePicker::NodePicker(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* heading = new QHBoxLayout;
    heading->setContentsMargins(sidePadding, 0, sidePadding, 0);
    heading->addWidget(makeLabel(i18n::tr(QStringLiteral("节点")), TextStyle::Caption, TextColor::Secondary, this));
    heading->addStretch();
    auto* refresh = new IconButton(QStringLiteral("arrow.clockwise"), 12, this);
    refresh->setObjectName(QStringLiteral("refreshNodes"));
    connect(refresh, &QToolButton::clicked, this, &NodePicker::refreshRequested);
    heading->addWidget(refresh);
    column->addLayout(heading);

    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(12, 0, 12, 0);
    m_search = new SearchField(i18n::tr(QStringLiteral("搜索节点")), true, this);
    connect(m_search, &SearchField::textChanged, this, &NodePicker::rebuild);
    searchRow->addWidget(m_search);
    column->addLayout(searchRow);

    m_empty = makeLabel(i18n::tr(QStringLiteral("无可用节点")), TextStyle::Subheadline, TextColor::Secondary, this);
    m_empty->setContentsMargins(sidePadding, 8, sidePadding, 8);
    column->addWidget(m_empty);

    m_model = new NodePickerModel(this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("nodePickerList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    // The list takes whatever height the popover has left, and scrolls.
    m_list->setMinimumHeight(56);
    m_list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new NodePickerDelegate(m_list));
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) {
        const auto& line = m_model->line(index.row());
        if (!line.heading)
            emit nodeTapped(line.node);
    });
    column->addWidget(m_list, 1);
}

void NodePicker::refresh(const QList<Node>& nodes, std::optional<qint64> activeId)
{
    m_nodes = nodes;
    m_activeId = activeId;
    rebuild();
}

void NodePicker::setActive(std::optional<qint64> activeId)
{
    m_activeId = activeId;
    m_model->setActive(activeId);
}

void NodePicker::rebuild()
{
    m_empty->setVisible(m_nodes.isEmpty());
    m_list->setVisible(!m_nodes.isEmpty());
    m_model->setNodes(m_nodes, m_search->text(), m_activeId);
}
