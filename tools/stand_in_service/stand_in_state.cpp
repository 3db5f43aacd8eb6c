#include "stand_in_state.h"

#include <QDate>

#include <algorithm>

#include <cmath>

namespace {

QJsonObject node(qint64 id, const QString& name, const QString& host, qint64 port, const QString& method,
                 const QString& password, const QString& status, std::optional<qint64> delay, const QString& location,
                 const QString& bandwidth)
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("host"), host},
        {QStringLiteral("port"), port},
        {QStringLiteral("method"), method},
        {QStringLiteral("password"), password},
        {QStringLiteral("status"), status},
        {QStringLiteral("location"), location},
        {QStringLiteral("bandwidth"), bandwidth},
        {QStringLiteral("sort_order"), id * 10},
    };
    if (delay)
        object.insert(QStringLiteral("delay"), *delay);
    return object;
}

QJsonObject plan(qint64 id, const QString& name, double traffic, double price, qint64 nodes, qint64 devices,
                 const QString& period, const QString& tag, const QString& features)
{
    QJsonObject object{
        {QStringLiteral("id"), id},           {QStringLiteral("name"), name},
        {QStringLiteral("traffic"), traffic}, {QStringLiteral("price"), price},
        {QStringLiteral("nodes"), nodes},     {QStringLiteral("devices"), devices},
        {QStringLiteral("period"), period},   {QStringLiteral("features"), features},
    };
    if (!tag.isEmpty())
        object.insert(QStringLiteral("tag"), tag);
    return object;
}

QJsonObject inbound(qint64 id, const QString& remark, qint64 port, const QString& protocol, qint64 up, qint64 down,
                    qint64 clients)
{
    return {
        {QStringLiteral("id"), id},
        {QStringLiteral("remark"), remark},
        {QStringLiteral("port"), port},
        {QStringLiteral("protocol"), protocol},
        {QStringLiteral("enable"), true},
        {QStringLiteral("up"), up},
        {QStringLiteral("down"), down},
        {QStringLiteral("total"), up + down},
        {QStringLiteral("tag"), QString(QStringLiteral("inbound-") + QString::number(port))},
        {QStringLiteral("clients"), clients},
    };
}

// Documentation addresses (RFC 5737): nothing on this machine or beyond ever answers them.
QJsonArray seededNodes()
{
    return {
        node(1, QStringLiteral("香港 01 | IPLC"), QStringLiteral("203.0.113.11"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-hk01"), QStringLiteral("online"), 38, QStringLiteral("香港"),
             QStringLiteral("1Gbps")),
        node(2, QStringLiteral("香港 02 | Reality"), QStringLiteral("203.0.113.12"), 8443, QStringLiteral("reality"),
             QStringLiteral("5f0c6c2e-3d4b-4e8a-9b1f-2a7d6e9c1b30"), QStringLiteral("online"), 42,
             QStringLiteral("香港"), QStringLiteral("1Gbps")),
        node(3, QStringLiteral("日本 东京 01"), QStringLiteral("203.0.113.21"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-jp01"), QStringLiteral("online"), 67, QStringLiteral("日本"),
             QStringLiteral("500Mbps")),
        node(4, QStringLiteral("新加坡 01"), QStringLiteral("203.0.113.31"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-sg01"), QStringLiteral("online"), 85, QStringLiteral("新加坡"),
             QStringLiteral("500Mbps")),
        node(5, QStringLiteral("台湾 01"), QStringLiteral("198.51.100.41"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-tw01"), QStringLiteral("online"), 59, QStringLiteral("台湾"),
             QStringLiteral("300Mbps")),
        node(6, QStringLiteral("美国 洛杉矶 01"), QStringLiteral("198.51.100.51"), 443, QStringLiteral("reality"),
             QStringLiteral("9a1e4f7b-6c2d-4b3a-8e5f-0d9c7b6a5e41"), QStringLiteral("online"), 152,
             QStringLiteral("美国"), QStringLiteral("1Gbps")),
        node(7, QStringLiteral("韩国 首尔 01"), QStringLiteral("198.51.100.61"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-kr01"), QStringLiteral("online"), 73, QStringLiteral("韩国"),
             QStringLiteral("300Mbps")),
        node(8, QStringLiteral("英国 伦敦 01"), QStringLiteral("198.51.100.71"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-uk01"), QStringLiteral("offline"), std::nullopt, QStringLiteral("英国"),
             QStringLiteral("200Mbps")),
        node(9, QStringLiteral("德国 法兰克福 01"), QStringLiteral("192.0.2.81"), 443, QStringLiteral("trojan"),
             QStringLiteral("b8f3c2a1-de01"), QStringLiteral("online"), 188, QStringLiteral("德国"),
             QStringLiteral("200Mbps")),
    };
}

QJsonArray seededPlans()
{
    return {
        plan(1, QStringLiteral("体验版"), 10, 0, 3, 1, QStringLiteral("month"), QStringLiteral("免费"),
             QStringLiteral("3 个节点 · 1 台设备 · 每月 10 GB")),
        plan(2, QStringLiteral("基础版"), 100, 15, 8, 2, QStringLiteral("month"), QString(),
             QStringLiteral("8 个节点 · 2 台设备 · 每月 100 GB")),
        plan(3, QStringLiteral("标准版"), 200, 25, 15, 3, QStringLiteral("month"), QStringLiteral("热门"),
             QStringLiteral("全部节点 · 3 台设备 · 每月 200 GB · 流媒体解锁")),
        plan(4, QStringLiteral("高级版"), 800, 68, 15, 5, QStringLiteral("quarter"), QStringLiteral("推荐"),
             QStringLiteral("全部节点 · 5 台设备 · 季度 800 GB · IPLC 专线")),
        plan(5, QStringLiteral("旗舰版"), 3000, 238, 15, 8, QStringLiteral("year"), QStringLiteral("超值"),
             QStringLiteral("全部节点 · 8 台设备 · 全年 3000 GB · IPLC 专线 · 专属客服")),
    };
}

QJsonArray seededAnnouncements(const QDateTime& now)
{
    auto announcement = [&](qint64 id, const QString& title, const QString& content, int daysAgo) {
        return QJsonObject{
            {QStringLiteral("id"), id},
            {QStringLiteral("title"), title},
            {QStringLiteral("content"), content},
            {QStringLiteral("created_at"), StandInState::timeText(now.addDays(-daysAgo))},
        };
    };
    return {
        announcement(14, QStringLiteral("新增德国法兰克福节点"),
                     QStringLiteral("<p>德国 <b>法兰克福 01</b> 节点已上线，欢迎体验。</p>"), 1),
        announcement(
            13, QStringLiteral("本周六凌晨线路维护"),
            QStringLiteral(
                "<p>本周六 02:00–04:00 将对香港线路进行维护，期间可能短暂断线。</p><p>给您带来不便，敬请谅解。</p>"),
            4),
        announcement(12, QStringLiteral("邀请返利活动"),
                     QStringLiteral("<p>邀请好友注册并购买套餐，即可获得 <b>20%</b> 佣金返利。</p>"), 12),
    };
}

QJsonArray seededTraffic(const QDate& today)
{
    QJsonArray days;
    for (int back = 29; back >= 0; --back) {
        const auto date = today.addDays(-back);
        // A working-week rhythm with some spread, fixed so that every run shows the same month.
        const double weekend = date.dayOfWeek() >= 6 ? 1.8 : 1.0;
        const double used = std::round((0.6 + std::fmod(back * 0.37, 1.4)) * weekend * 100.0) / 100.0;
        days.append(QJsonObject{{QStringLiteral("date"), date.toString(Qt::ISODate)}, {QStringLiteral("used"), used}});
    }
    return days;
}

} // namespace

QString StandInState::timeText(const QDateTime& time) { return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QString StandInState::now() { return timeText(QDateTime::currentDateTime()); }

StandInState StandInState::seeded()
{
    const auto now = QDateTime::currentDateTime();
    StandInState state;
    state.account = {
        QStringLiteral("demo@velmorand.test"),
        QStringLiteral("velmorand-demo"),
        QStringLiteral("演示用户"),
        QStringLiteral("4d2f7a9e-1c3b-4e6d-8a5f-7b9c0e1d2a3f"),
        QStringLiteral("标准版"),
        now.date().addDays(96).toString(Qt::ISODate),
        200,
        37.52,
        QStringLiteral("VEL8K2Q"),
        61.2, // the paid commissions below
    };
    state.nodes = seededNodes();
    state.plans = seededPlans();
    state.coupons = {
        {QStringLiteral("WELCOME15"), 15, std::nullopt, 87, {}, false},
        {QStringLiteral("VIP30"),
         30,
         QStringLiteral("7折"),
         5,
         {QStringLiteral("高级版"), QStringLiteral("旗舰版")},
         false},
        {QStringLiteral("SPRING20"), 20, std::nullopt, 0, {}, true},
    };
    state.announcements = seededAnnouncements(now);
    state.latestVersion = QStringLiteral(VELMORAND_VERSION);
    state.serverStatus = {
        {QStringLiteral("xray_running"), true},
        {QStringLiteral("xray_uptime"), QStringLiteral("6天 3小时 12分")},
        {QStringLiteral("xray_cpu"), 12},
        {QStringLiteral("xray_mem"), 9},
        {QStringLiteral("panel_running"), true},
        {QStringLiteral("server_uptime"), QStringLiteral("41天 7小时")},
        {QStringLiteral("load_avg"), QStringLiteral("0.42, 0.37, 0.31")},
    };
    state.inbounds = {
        inbound(1, QStringLiteral("香港 Trojan"), 443, QStringLiteral("trojan"), 812'734'118'902LL, 6'482'118'334'017LL,
                214),
        inbound(2, QStringLiteral("香港 Reality"), 8443, QStringLiteral("vless"), 301'228'940'112LL,
                2'118'774'020'553LL, 96),
        inbound(3, QStringLiteral("备用 Trojan"), 2053, QStringLiteral("trojan"), 4'210'337LL, 91'002'118LL, 3),
    };
    state.connections = {{QStringLiteral("total"), 78},
                         {QStringLiteral("443"), 57},
                         {QStringLiteral("8443"), 21},
                         {QStringLiteral("2053"), 0}};
    state.invitedUsers = {
        QJsonObject{{QStringLiteral("email"), QStringLiteral("li***@qq.com")},
                    {QStringLiteral("created_at"), timeText(now.addDays(-40))}},
        QJsonObject{{QStringLiteral("email"), QStringLiteral("wa***@163.com")},
                    {QStringLiteral("created_at"), timeText(now.addDays(-22))}},
        QJsonObject{{QStringLiteral("email"), QStringLiteral("zh***@gmail.com")},
                    {QStringLiteral("created_at"), timeText(now.addDays(-5))}},
    };
    auto commission = [&](qint64 id, const QString& plan, double amount, const QString& status, int daysAgo) {
        return QJsonObject{
            {QStringLiteral("id"), id},         {QStringLiteral("plan_name"), plan},
            {QStringLiteral("amount"), amount}, {QStringLiteral("rate"), 0.2},
            {QStringLiteral("status"), status}, {QStringLiteral("created_at"), timeText(now.addDays(-daysAgo))},
        };
    };
    state.commissions = {
        commission(301, QStringLiteral("旗舰版"), 47.6, QStringLiteral("paid"), 38),
        commission(302, QStringLiteral("高级版"), 13.6, QStringLiteral("paid"), 20),
        commission(303, QStringLiteral("标准版"), 5.0, QStringLiteral("pending"), 4),
    };
    state.trafficLog = seededTraffic(now.date());
    state.withdraws = {
        {201, 60.0, QStringLiteral("approved"), QStringLiteral("支付宝 li***@qq.com"), timeText(now.addDays(-30))},
        {202, 25.0, QStringLiteral("rejected"), QStringLiteral("账户信息有误"), timeText(now.addDays(-15))},
    };
    state.orders = {
        {5001, QStringLiteral("VM") + now.addDays(-31).toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("5001"),
         QStringLiteral("标准版"), 25, QStringLiteral("paid"), 0},
    };

    Ticket ticket{7,
                  QStringLiteral("香港节点晚高峰速度慢"),
                  QStringLiteral("resolved"),
                  timeText(now.addDays(-3)),
                  timeText(now.addDays(-2)),
                  {}};
    ticket.messages = {
        {71, state.userId, QStringLiteral("晚上八点以后香港 01 只有 2 Mbps 左右，白天正常。"), false,
         timeText(now.addDays(-3)), state.account.name},
        {72, 1, QStringLiteral("您好，晚高峰线路已扩容，请再试一下，如仍有问题请回复。"), true,
         timeText(now.addDays(-2)), QStringLiteral("客服小薇")},
        {73, state.userId, QStringLiteral("现在好多了，谢谢！"), false, timeText(now.addDays(-2)), state.account.name},
    };
    state.tickets = {ticket};
    return state;
}

std::optional<QJsonObject> StandInState::findPlan(const QString& name) const
{
    for (const auto& entry : plans) {
        if (entry.toObject().value(QLatin1String("name")).toString() == name)
            return entry.toObject();
    }
    return std::nullopt;
}

namespace {

template <typename T, typename Predicate>
T* findIn(QList<T>& items, Predicate matches)
{
    const auto at = std::find_if(items.begin(), items.end(), matches);
    return at == items.end() ? nullptr : &*at;
}

} // namespace

StandInState::Order* StandInState::findOrder(qint64 id)
{
    return findIn(orders, [&](const Order& order) { return order.id == id; });
}

StandInState::Order* StandInState::findOrderByTradeNo(const QString& outTradeNo)
{
    return findIn(orders, [&](const Order& order) { return order.outTradeNo == outTradeNo; });
}

StandInState::Ticket* StandInState::findTicket(qint64 id)
{
    return findIn(tickets, [&](const Ticket& ticket) { return ticket.id == id; });
}

StandInState::Coupon* StandInState::findCoupon(const QString& code)
{
    return findIn(coupons, [&](const Coupon& coupon) { return coupon.code.compare(code, Qt::CaseInsensitive) == 0; });
}

void StandInState::addUserMessage(Ticket& ticket, const QString& content)
{
    const auto time = now();
    ticket.messages.append({nextId++, userId, content, false, time, account.name});
    ticket.messages.append({nextId++, 1, QStringLiteral("您好，已收到您的消息，客服会在 10 分钟内回复。"), true, time,
                            QStringLiteral("客服小薇")});
    ticket.status = QStringLiteral("open");
    ticket.updatedAt = time;
}

void StandInState::activatePlan(const QString& planName)
{
    const auto bought = findPlan(planName);
    if (!bought)
        return;
    account.plan = planName;
    account.trafficTotal = bought->value(QLatin1String("traffic")).toDouble();
    account.trafficUsed = 0;
    const auto period = bought->value(QLatin1String("period")).toString();
    const int days = period == QLatin1String("year") ? 365
        : period == QLatin1String("semiannual")      ? 182
        : period == QLatin1String("quarter")         ? 91
                                                     : 30;
    account.expire = QDate::currentDate().addDays(days).toString(Qt::ISODate);
}
