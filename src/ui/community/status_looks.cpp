#include "status_looks.h"

#include "platform/text_table.h"

namespace StatusLooks {

StatusLook ticket(const QString& status)
{
    if (status == QLatin1String("waiting"))
        return {i18n::tr(QStringLiteral("已回复")), TextColor::Blue};
    if (status == QLatin1String("closed"))
        return {i18n::tr(QStringLiteral("已关闭")), TextColor::Gray};
    if (status == QLatin1String("resolved"))
        return {i18n::tr(QStringLiteral("已解决")), TextColor::Green};
    return {i18n::tr(QStringLiteral("待回复")), TextColor::Orange};
}

bool ticketIsOpen(const QString& status)
{
    return status != QLatin1String("closed") && status != QLatin1String("resolved");
}

StatusLook commission(const std::optional<QString>& status)
{
    if (!status)
        return {QString(), TextColor::Orange};
    if (*status == QLatin1String("paid"))
        return {i18n::tr(QStringLiteral("已结算")), TextColor::Green};
    if (*status == QLatin1String("pending"))
        return {i18n::tr(QStringLiteral("待结算")), TextColor::Orange};
    return {*status, TextColor::Orange};
}

StatusLook withdrawal(const std::optional<QString>& status)
{
    if (!status)
        return {QString(), TextColor::Orange};
    if (*status == QLatin1String("pending"))
        return {i18n::tr(QStringLiteral("待审核")), TextColor::Orange};
    if (*status == QLatin1String("approved"))
        return {i18n::tr(QStringLiteral("已通过")), TextColor::Green};
    if (*status == QLatin1String("rejected"))
        return {i18n::tr(QStringLiteral("已驳回")), TextColor::Red};
    return {*status, TextColor::Orange};
}

} // namespace StatusLooks
