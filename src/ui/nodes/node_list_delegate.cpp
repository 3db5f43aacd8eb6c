#include "node_list_delegate.h"

#include "node_list_model.h"
#include "platform/count_text.h"
#include "platform/text_table.h"
#include "ui/common/icons.h"
#include "ui/common/one_line_text.h"
#include "ui/common/spinner.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

using NodeListRules::Line;

namespace {

constexpr int headerHeight = 28;
constexpr int emptyPadding = 40;
constexpr int emptySymbol = 28;

const NodeListModel* modelOf(const QModelIndex& index) { return qobject_cast<const NodeListModel*>(index.model()); }

void paintHeader(QPainter& painter, const QRect& rect, const QString& title, std::optional<qsizetype> count,
                 const Theme& theme)
{
    const auto& colors = theme.palette();
    const QFont titleFont = theme.font(TextStyle::Caption, QFont::DemiBold);
    const QFont countFont = theme.font(TextStyle::Caption2);
    const QString countText = count ? i18n::countText(QStringLiteral("%d 个节点"), *count) : QString();
    const QRect text = rect.adjusted(8, 0, -8, 0);
    // The title gives way to the count.
    const int countRoom = count ? QFontMetrics(countFont).horizontalAdvance(countText) + 6 : 0;
    const QString shownTitle = elidedLine(QFontMetrics(titleFont), title, text.width() - countRoom);
    painter.setFont(titleFont);
    painter.setPen(colors.secondaryText);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom, shownTitle);
    if (!count)
        return;
    painter.setFont(countFont);
    painter.setPen(withOpacity(colors.secondaryText, 0.6));
    const int left = text.left() + QFontMetrics(titleFont).horizontalAdvance(shownTitle) + 6;
    painter.drawText(QRect(left, text.top(), text.right() - left, text.height()), Qt::AlignLeft | Qt::AlignBottom,
                     countText);
}

void paintEmpty(QPainter& painter, const QRect& rect, const QString& message, const Theme& theme)
{
    const auto& colors = theme.palette();
    const QRect symbol(rect.center().x() - emptySymbol / 2, rect.top() + emptyPadding, emptySymbol, emptySymbol);
    painter.drawPixmap(symbol,
                       Icons::pixmap(QStringLiteral("magnifyingglass"), colors.secondaryText, emptySymbol,
                                     painter.device()->devicePixelRatioF()));
    painter.setFont(theme.font(TextStyle::Body));
    painter.setPen(colors.secondaryText);
    painter.drawText(QRect(rect.left(), symbol.bottom() + 8, rect.width(), rect.bottom() - symbol.bottom() - 8),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, message);
}

} // namespace

NodeListDelegate::NodeListDelegate(const SpinnerAnimation& spinner, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_spinner(spinner)
{
}

void NodeListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = modelOf(index);
    if (!model)
        return;
    const auto& line = model->line(index.row());
    const auto& theme = Theme::of(option.widget);
    const auto& colors = theme.palette();
    painter->save();
    switch (line.kind) {
    case Line::Kind::empty:
        paintEmpty(*painter, option.rect, model->emptyMessage(), theme);
        break;
    case Line::Kind::favoritesHeader:
        paintHeader(*painter, option.rect, i18n::tr(QStringLiteral("收藏节点")), std::nullopt, theme);
        break;
    case Line::Kind::offlineHeader:
        paintHeader(*painter, option.rect, i18n::tr(QStringLiteral("离线节点")), std::nullopt, theme);
        break;
    case Line::Kind::regionHeader:
        paintHeader(*painter, option.rect, line.title, line.count, theme);
        break;
    case Line::Kind::node:
    case Line::Kind::offlineNode:
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, withOpacity(colors.accent, colors.dark ? 0.35 : 0.18));
        else if (model->isAlternate(index.row()))
            painter->fillRect(option.rect, withOpacity(colors.text, 0.035));
        if (line.kind == Line::Kind::offlineNode)
            painter->setOpacity(0.5);
        model->nodeRow(index.row()).paint(*painter, option.rect, m_spinner.step(), option.widget);
        break;
    }
    painter->restore();
}

QSize NodeListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = modelOf(index);
    if (!model)
        return {};
    switch (model->line(index.row()).kind) {
    case Line::Kind::empty:
        return {option.rect.width(),
                2 * emptyPadding + emptySymbol + 8
                    + QFontMetrics(Theme::of(option.widget).font(TextStyle::Body)).height()};
    case Line::Kind::favoritesHeader:
    case Line::Kind::regionHeader:
    case Line::Kind::offlineHeader:
        return {option.rect.width(), headerHeight};
    case Line::Kind::node:
    case Line::Kind::offlineNode:
        break;
    }
    return {option.rect.width(), NodeRow::height(option.widget)};
}

bool NodeListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton
        || !isOnStar(model, index, option.rect, mouse->position().toPoint(), option.widget))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    emit favoriteToggled(qobject_cast<const NodeListModel*>(model)->nodeRow(index.row()).node.id);
    return true;
}

bool NodeListDelegate::isOnStar(const QAbstractItemModel* model, const QModelIndex& index, const QRect& line,
                                const QPoint& position, const QWidget* list)
{
    const auto* nodes = qobject_cast<const NodeListModel*>(model);
    return nodes && nodes->line(index.row()).kind == Line::Kind::node
        && nodes->nodeRow(index.row()).starRect(line, list).contains(position);
}

bool NodeListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    const auto* model = modelOf(index);
    if (event->type() == QEvent::ToolTip && model && model->line(index.row()).kind == Line::Kind::node) {
        const NodeRow row = model->nodeRow(index.row());
        if (row.starRect(option.rect, view).contains(event->pos())) {
            QToolTip::showText(event->globalPos(), row.starToolTip(), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
