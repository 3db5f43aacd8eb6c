#include "profile_view.h"

#include "platform/text_table.h"

ProfileView::ProfileView(QWidget* parent)
    : PlaceholderScreen(i18n::tr(QStringLiteral("个人中心")), QStringLiteral("person.crop.circle"), parent)
{
}
