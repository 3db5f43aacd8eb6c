#include "nodes_list_view.h"

#include "platform/text_table.h"

NodesListView::NodesListView(QWidget* parent)
    : PlaceholderScreen(i18n::tr(QStringLiteral("节点列表")), QStringLiteral("list.bullet"), parent)
{
}
