#include "menu_bar_view.h"

MenuBarView::MenuBarView(QWidget* parent)
    : QWidget(parent)
{
}
