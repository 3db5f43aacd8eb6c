// Support tickets and their messages.
#include "stand_in_routes.h"

#include <algorithm>

namespace {

QJsonObject ticketJson(const StandInState::Ticket& ticket, const QString& creator)
{
    return {
        {QStringLiteral("id"), ticket.id},
        {QStringLiteral("subject"), ticket.subject},
        {QStringLiteral("last_msg"), ticket.messages.isEmpty() ? QString() : ticket.messages.last().content},
        {QStringLiteral("status"), ticket.status},
        {QStringLiteral("created_at"), ticket.createdAt},
        {QStringLiteral("updated_at"), ticket.updatedAt},
        {QStringLiteral("creator_name"), creator},
    };
}

QJsonObject messageJson(const StandInState::TicketMessage& message, qint64 ticketId)
{
    return {
        {QStringLiteral("id"), message.id},
        {QStringLiteral("ticket_id"), ticketId},
        {QStringLiteral("user_id"), message.userId},
        {QStringLiteral("content"), message.content},
        {QStringLiteral("is_admin"), message.isAdmin ? 1 : 0},
        {QStringLiteral("created_at"), message.createdAt},
        {QStringLiteral("sender_name"), message.senderName},
    };
}

HttpResponse listTickets(RouteContext& context)
{
    auto tickets = context.state.tickets;
    std::sort(tickets.begin(), tickets.end(), [](const auto& a, const auto& b) { return a.updatedAt > b.updatedAt; });
    QJsonArray data;
    for (const auto& ticket : tickets)
        data.append(ticketJson(ticket, context.state.account.name));
    return okAnswer({{QStringLiteral("data"), data}});
}

HttpResponse createTicket(RouteContext& context)
{
    auto& state = context.state;
    const auto content = bodyText(context, "content").trimmed();
    if (content.isEmpty())
        return refusal(400, QStringLiteral("请输入问题描述"));
    auto subject = bodyText(context, "subject").trimmed();
    if (subject.isEmpty())
        subject = content.left(20);
    const auto now = StandInState::now();
    StandInState::Ticket ticket{state.nextId++, subject, QStringLiteral("open"), now, now, {}};
    state.addUserMessage(ticket, content);
    state.tickets.append(ticket);
    return okAnswer({{QStringLiteral("ticket_id"), ticket.id}});
}

HttpResponse listMessages(RouteContext& context)
{
    const auto* ticket = context.state.findTicket(context.pathId);
    if (!ticket)
        return refusal(404, QStringLiteral("工单不存在"));
    QJsonArray data;
    for (const auto& message : ticket->messages)
        data.append(messageJson(message, ticket->id));
    return okAnswer({{QStringLiteral("data"), data}});
}

HttpResponse sendMessage(RouteContext& context)
{
    auto* ticket = context.state.findTicket(context.pathId);
    if (!ticket)
        return refusal(404, QStringLiteral("工单不存在"));
    const auto content = bodyText(context, "content").trimmed();
    if (content.isEmpty())
        return refusal(400, QStringLiteral("消息不能为空"));
    if (ticket->status == QLatin1String("closed"))
        return refusal(409, QStringLiteral("工单已关闭，请新建工单"));
    context.state.addUserMessage(*ticket, content);
    return okAnswer();
}

} // namespace

QList<Route> supportRoutes()
{
    return {
        {"GET", QStringLiteral("/api/tickets"), true, listTickets},
        {"POST", QStringLiteral("/api/tickets"), true, createTicket},
        {"GET", QStringLiteral("/api/tickets/{id}/messages"), true, listMessages},
        {"POST", QStringLiteral("/api/tickets/{id}/messages"), true, sendMessage},
    };
}
