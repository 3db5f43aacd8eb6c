// What every client reads: health, the domain pool, nodes, announcements, the version and the
// server's status.
#include "stand_in_routes.h"

#include <QUrl>

namespace {

HttpResponse health(RouteContext&) { return okAnswer({{QStringLiteral("status"), QStringLiteral("healthy")}}); }

// The service's own listeners: TLS ones as hosts under "primary" (the client writes "https://"
// before them), every one as a full URL under "entries".
QJsonObject ownDomainPool(const QStringList& listenerUrls)
{
    QJsonArray primary;
    QJsonArray entries;
    for (const auto& url : listenerUrls) {
        const QUrl parsed(url);
        if (parsed.scheme() == QLatin1String("https"))
            primary.append(QString(parsed.host() + QLatin1Char(':') + QString::number(parsed.port())));
        entries.append(QJsonObject{{QStringLiteral("url"), url}, {QStringLiteral("weight"), 100}});
    }
    return {{QStringLiteral("primary"), primary}, {QStringLiteral("entries"), entries}};
}

HttpResponse guestConfig(RouteContext& context)
{
    const auto pool = context.state.domainPool.value_or(ownDomainPool(context.listenerUrls));
    return okAnswer({{QStringLiteral("data"),
                      QJsonObject{{QStringLiteral("domain_pool"), pool},
                                  {QStringLiteral("site_name"), QStringLiteral("Velmorand")}}}});
}

HttpResponse nodes(RouteContext& context) { return okAnswer({{QStringLiteral("data"), context.state.nodes}}); }

HttpResponse announcements(RouteContext& context)
{
    return okAnswer({{QStringLiteral("data"), context.state.announcements}});
}

HttpResponse appVersion(RouteContext& context)
{
    const auto platform = context.request.queryItem(QStringLiteral("platform"));
    if (platform.isEmpty())
        return refusal(400, QStringLiteral("缺少 platform 参数"));
    const auto& version = context.state.latestVersion;
    return okAnswer({
        {QStringLiteral("version"), version},
        {QStringLiteral("url"),
         QString(context.baseUrl + QStringLiteral("/downloads/Velmorand-") + version + QStringLiteral(".dmg"))},
        {QStringLiteral("force"), false},
    });
}

HttpResponse serverStatus(RouteContext& context)
{
    return okAnswer({{QStringLiteral("data"), context.state.serverStatus}});
}

HttpResponse serverInbounds(RouteContext& context)
{
    return okAnswer({{QStringLiteral("data"), context.state.inbounds}});
}

HttpResponse serverConnections(RouteContext& context)
{
    return okAnswer({{QStringLiteral("data"), context.state.connections}});
}

} // namespace

QList<Route> catalogRoutes()
{
    return {
        {"GET", QStringLiteral("/api/health"), false, health},
        {"GET", QStringLiteral("/api/guest/comm/config"), false, guestConfig},
        {"GET", QStringLiteral("/api/nodes"), true, nodes},
        {"GET", QStringLiteral("/api/announcements"), false, announcements},
        {"GET", QStringLiteral("/api/app_version"), false, appVersion},
        {"GET", QStringLiteral("/api/server/status"), true, serverStatus},
        {"GET", QStringLiteral("/api/server/inbounds"), true, serverInbounds},
        {"GET", QStringLiteral("/api/server/connections"), true, serverConnections},
    };
}
