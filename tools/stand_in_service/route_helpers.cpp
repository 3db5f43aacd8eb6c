#include "stand_in_routes.h"

HttpResponse okAnswer(QJsonObject members)
{
    members.insert(QStringLiteral("ok"), true);
    return HttpResponse::json(200, members);
}

HttpResponse refusal(int status, const QString& message)
{
    return HttpResponse::json(status, QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("msg"), message}});
}

QString bodyText(const RouteContext& context, const char* key)
{
    return context.body.value(QLatin1String(key)).toString();
}
