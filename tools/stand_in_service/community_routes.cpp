// Invitations, withdrawals, the traffic log, conversion and the subscription.
#include "stand_in_routes.h"

#include "config_formats.h"

#include <algorithm>

namespace {

constexpr double minimumWithdrawal = 50.0;

HttpResponse invite(RouteContext& context)
{
    const auto& state = context.state;
    double total = 0;
    double pending = 0;
    for (const auto& record : state.commissions) {
        const auto amount = record[QLatin1String("amount")].toDouble();
        total += amount;
        if (record[QLatin1String("status")].toString() == QLatin1String("pending"))
            pending += amount;
    }
    return okAnswer({
        {QStringLiteral("invite_code"), state.account.inviteCode},
        {QStringLiteral("invited_count"), state.invitedUsers.size()},
        {QStringLiteral("commission_total"), total},
        {QStringLiteral("commission_pending"), pending},
        {QStringLiteral("invited_users"), state.invitedUsers},
        {QStringLiteral("commissions"), state.commissions},
    });
}

HttpResponse requestWithdraw(RouteContext& context)
{
    auto& state = context.state;
    if (state.account.commission < minimumWithdrawal)
        return refusal(200, QStringLiteral("可提现佣金不足 50 元"));
    const bool busy = std::any_of(state.withdraws.begin(), state.withdraws.end(),
                                  [](const auto& withdraw) { return withdraw.status == QLatin1String("pending"); });
    if (busy)
        return refusal(200, QStringLiteral("已有处理中的提现申请"));
    state.withdraws.append({state.nextId++, state.account.commission, QStringLiteral("pending"),
                            bodyText(context, "note"), StandInState::now()});
    state.account.commission = 0;
    return okAnswer({{QStringLiteral("msg"), QStringLiteral("提现申请已提交，预计 1–3 个工作日到账")}});
}

HttpResponse withdraws(RouteContext& context)
{
    QJsonArray list;
    // Newest first.
    for (auto it = context.state.withdraws.crbegin(); it != context.state.withdraws.crend(); ++it) {
        list.append(QJsonObject{
            {QStringLiteral("id"), it->id},
            {QStringLiteral("amount"), it->amount},
            {QStringLiteral("status"), it->status},
            {QStringLiteral("note"), it->note},
            {QStringLiteral("created_at"), it->createdAt},
        });
    }
    return okAnswer({{QStringLiteral("withdraws"), list}});
}

HttpResponse trafficLog(RouteContext& context)
{
    return okAnswer({{QStringLiteral("data"), context.state.trafficLog}});
}

HttpResponse convert(RouteContext& context)
{
    const auto url = bodyText(context, "url").trimmed();
    const auto format = bodyText(context, "format");
    auto failure = [](const QString& error) {
        return HttpResponse::json(400, QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("error"), error}});
    };
    if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://")))
        return failure(QStringLiteral("订阅链接无效"));
    if (!ConfigFormats::isKnown(format))
        return failure(QStringLiteral("不支持的格式: ") + format);
    const auto& nodes = context.state.nodes;
    return okAnswer({
        {QStringLiteral("config"), ConfigFormats::write(format, nodes)},
        {QStringLiteral("count"), nodes.size()},
        {QStringLiteral("format"), format},
        {QStringLiteral("source"), url},
    });
}

HttpResponse subscription(RouteContext& context)
{
    return HttpResponse::text(200, ConfigFormats::clash(context.state.nodes).toUtf8(), "text/yaml; charset=utf-8")
        .addHeader("Content-Disposition", "attachment; filename=\"velmorand.yaml\"");
}

HttpResponse me(RouteContext& context)
{
    return okAnswer(
        {{QStringLiteral("uuid"), context.state.account.uuid}, {QStringLiteral("email"), context.state.account.email}});
}

} // namespace

QList<Route> communityRoutes()
{
    return {
        {"GET", QStringLiteral("/api/user/invite"), true, invite},
        {"POST", QStringLiteral("/api/user/withdraw"), true, requestWithdraw},
        {"GET", QStringLiteral("/api/user/withdraws"), true, withdraws},
        {"GET", QStringLiteral("/api/user/traffic_log"), true, trafficLog},
        {"POST", QStringLiteral("/api/convert"), true, convert},
        {"GET", QStringLiteral("/api/subscription"), true, subscription},
        {"GET", QStringLiteral("/api/me"), true, me},
    };
}
