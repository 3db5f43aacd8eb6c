// Sign-in, password reset and the profile.
#include "stand_in_routes.h"

#include "stand_in_session.h"

#include <QRandomGenerator>

namespace {

bool sameEmail(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

HttpResponse login(RouteContext& context)
{
    const auto email = bodyText(context, "email").trimmed();
    const auto password = bodyText(context, "password");
    if (email.isEmpty() || password.isEmpty())
        return refusal(400, QStringLiteral("请输入邮箱和密码"));
    auto& account = context.state.account;
    // A wrong password is a normal answer: status 200 with ok false.
    if (!sameEmail(email, account.email) || password != account.password)
        return refusal(200, QStringLiteral("邮箱或密码错误"));
    const auto token = StandInSession::open(context.state, account.email);
    return okAnswer({{QStringLiteral("msg"), QStringLiteral("登录成功")}})
        .addHeader("Set-Cookie",
                   QByteArray(StandInSession::cookieName) + '=' + token + "; Path=/; HttpOnly; SameSite=Lax");
}

HttpResponse sendResetCode(RouteContext& context)
{
    auto& state = context.state;
    const auto email = bodyText(context, "email").trimmed();
    if (!email.contains(QLatin1Char('@')))
        return refusal(400, QStringLiteral("邮箱格式不正确"));
    if (!sameEmail(email, state.account.email))
        return refusal(404, QStringLiteral("该邮箱未注册"));
    const auto key = state.account.email;
    const auto sentAt = state.resetCodeSentAt.value(key);
    if (sentAt.isValid() && sentAt.secsTo(QDateTime::currentDateTime()) < 60)
        return refusal(429, QStringLiteral("请求过于频繁，请 60 秒后再试"));
    const auto code = QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(1000000), 6, 10, QLatin1Char('0'));
    state.resetCodes.insert(key, code);
    state.resetCodeSentAt.insert(key, QDateTime::currentDateTime());
    if (state.mailSent)
        state.mailSent(key, code);
    return okAnswer({{QStringLiteral("msg"), QStringLiteral("验证码已发送，请查收邮件")}});
}

HttpResponse resetPassword(RouteContext& context)
{
    auto& state = context.state;
    const auto email = bodyText(context, "email").trimmed();
    const auto code = bodyText(context, "code").trimmed();
    const auto password = bodyText(context, "password");
    if (!sameEmail(email, state.account.email) || code.isEmpty() || state.resetCodes.value(state.account.email) != code)
        return refusal(400, QStringLiteral("验证码错误或已过期"));
    if (password.size() < 6)
        return refusal(400, QStringLiteral("密码长度至少 6 位"));
    state.account.password = password;
    state.resetCodes.remove(state.account.email);
    // A new password signs every device out.
    StandInSession::closeAll(state, state.account.email);
    return okAnswer();
}

HttpResponse profile(RouteContext& context)
{
    const auto& account = context.state.account;
    return okAnswer({
        {QStringLiteral("email"), account.email},
        {QStringLiteral("name"), account.name},
        {QStringLiteral("plan"), account.plan},
        {QStringLiteral("expire"), account.expire},
        {QStringLiteral("traffic_total"), account.trafficTotal},
        {QStringLiteral("traffic_used"), account.trafficUsed},
        {QStringLiteral("invite_code"), account.inviteCode},
        {QStringLiteral("commission"), account.commission},
    });
}

} // namespace

QList<Route> accountRoutes()
{
    return {
        {"POST", QStringLiteral("/api/login"), false, login},
        {"POST", QStringLiteral("/api/forgot-password/send-code"), false, sendResetCode},
        {"POST", QStringLiteral("/api/forgot-password/reset"), false, resetPassword},
        {"GET", QStringLiteral("/api/user/profile"), true, profile},
    };
}
