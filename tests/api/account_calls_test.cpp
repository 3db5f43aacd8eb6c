// Sign-in, password reset and the profile against the stand-in service.
#include "api_test_support.h"

#include "api/app_sign.h"
#include "platform/text_table.h"

#include <QDateTime>

#include <QJsonDocument>

using namespace api_test;

class AccountCallsTest : public ApiTest {};

TEST_F(AccountCallsTest, SignInSendsASignedBodyWithoutJarAndKeepsTheSession)
{
    auto client = makeClient({url});
    signIn(*client);

    const auto logins = service.requestsTo(QStringLiteral("/api/login"));
    ASSERT_EQ(logins.size(), 1);
    const auto body = QJsonDocument::fromJson(logins.first().body).object();
    EXPECT_EQ(body,
              (QJsonObject{{QStringLiteral("email"), service.state().account.email},
                           {QStringLiteral("password"), service.state().account.password}}));
    EXPECT_EQ(logins.first().header("X-Velmorand-App"), QByteArray("1"));
    EXPECT_FALSE(logins.first().header("Cookie"));

    // The session cookie opens the account's calls.
    const auto profile = awaitTask(client->fetchProfile());
    ASSERT_TRUE(profile);
    EXPECT_TRUE(profile->ok);
    EXPECT_EQ(profile->email, service.state().account.email);
    EXPECT_EQ(profile->trafficTotal, service.state().account.trafficTotal);
    EXPECT_EQ(profile->inviteCode, service.state().account.inviteCode);
}

TEST_F(AccountCallsTest, SignInResults)
{
    struct Case {
        const char* name;
        std::optional<StandInService::Override> override;
        QString password;
        bool expected;
    };
    const Case cases[] = {
        {"the test account", std::nullopt, service.state().account.password, true},
        {"a wrong password is a refusal, not an error", std::nullopt, QStringLiteral("wrong"), false},
        {"ok written as text", answer(200, R"({"ok":"true"})"), QStringLiteral("x"), false},
        {"no ok at all", answer(200, R"({"msg":"hi"})"), QStringLiteral("x"), false},
    };
    for (const auto& c : cases) {
        service.clearOverrides();
        if (c.override)
            service.setOverride(QStringLiteral("/api/login"), *c.override);
        auto client = makeClient({url});
        EXPECT_EQ(awaitTask(client->login(service.state().account.email, c.password)), c.expected) << c.name;
    }
}

TEST_F(AccountCallsTest, SignInErrors)
{
    struct Case {
        const char* name;
        StandInService::Override override;
        LoginError::Kind kind;
        QString description;
    };
    const Case cases[] = {
        {"401", answer(401, R"({"ok":false})"), LoginError::Kind::http, QStringLiteral("服务器错误: HTTP 401")},
        {"502 with a page", answer(502, "<html>Bad gateway</html>"), LoginError::Kind::http,
         QStringLiteral("服务器错误: HTTP 502")},
        {"200 not JSON", answer(200, "<html>ok</html>"), LoginError::Kind::badResponse,
         QStringLiteral("服务器响应异常")},
        {"200 a JSON array", answer(200, "[true]"), LoginError::Kind::badResponse, QStringLiteral("服务器响应异常")},
    };
    for (const auto& c : cases) {
        service.clearOverrides();
        service.setOverride(QStringLiteral("/api/login"), c.override);
        auto client = makeClient({url});
        const auto error = awaitError<LoginError>(client->login(QStringLiteral("a@b.c"), QStringLiteral("x")));
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->kind(), c.kind) << c.name;
        EXPECT_EQ(error->description(), c.description) << c.name;
    }
}

TEST_F(AccountCallsTest, SignInFailsOverAfterATimeOutWithAFreshSignature)
{
    // The first entry takes the request and never answers in time; the clock ticks per signature.
    const auto slowPort = service.listenHttp();
    StandInService::Override slow;
    slow.delay = 4s;
    slow.port = slowPort;
    service.setOverride(QStringLiteral("/api/login"), slow);
    auto options = fastOptions();
    options.unixTime = [tick = QDateTime::currentSecsSinceEpoch()]() mutable { return tick++; };
    auto client = makeClient({service.baseUrl(slowPort), url, closedUrl()}, options);
    storeIndex(0);

    signIn(*client);

    EXPECT_EQ(log.lines(), QStringList{failOverLine + url});
    EXPECT_EQ(storedIndex(), 1);
    const auto logins = service.requestsTo(QStringLiteral("/api/login"));
    ASSERT_EQ(logins.size(), 2);
    EXPECT_EQ(logins[0].localPort, slowPort);
    EXPECT_EQ(logins[1].localPort, port);
    EXPECT_NE(logins[0].header("X-Velmorand-App-Ts"), logins[1].header("X-Velmorand-App-Ts"));
    for (const auto& login : logins)
        EXPECT_EQ(login.header("X-Velmorand-App-Sign"),
                  AppSign::signature(login.header("X-Velmorand-App-Ts").value_or(QByteArray())));
}

TEST_F(AccountCallsTest, SignInWithoutNetworkReportsTheLastError)
{
    auto client = makeClient({closedUrl(), closedUrl(), closedUrl()});
    storeIndex(0);

    const auto error = awaitError<LoginError>(client->login(QStringLiteral("a@b.c"), QStringLiteral("x")));

    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), LoginError::Kind::network);
    EXPECT_TRUE(error->description().startsWith(QStringLiteral("网络错误: ")));
    EXPECT_GT(error->payload().size(), 0);
    EXPECT_EQ(log.count(failOverLine), 2);
    EXPECT_EQ(storedIndex(), 2);
}

TEST_F(AccountCallsTest, ResetCallResults)
{
    struct Case {
        const char* name;
        QString path;
        std::optional<StandInService::Override> override;
        bool ok;
        QString message;
    };
    const auto sendCode = QStringLiteral("/api/forgot-password/send-code");
    const auto reset = QStringLiteral("/api/forgot-password/reset");
    const Case cases[] = {
        {"code sent by the service", sendCode, std::nullopt, true, QStringLiteral("验证码已发送，请查收邮件")},
        {"429 with ok true and a msg", sendCode, answer(429, R"({"ok":true,"msg":"慢一点"})"), false,
         QStringLiteral("慢一点")},
        {"200 with an empty body", sendCode, answer(200, ""), false, QStringLiteral("发送失败")},
        {"200 ok true without msg", sendCode, answer(200, R"({"ok":true})"), true, QStringLiteral("验证码已发送")},
        {"200 msg not a text", sendCode, answer(200, R"({"ok":false,"msg":5})"), false, QStringLiteral("发送失败")},
        {"reset ok without msg", reset, answer(200, R"({"ok":true})"), true, QStringLiteral("密码已重置")},
        {"reset refused with a page", reset, answer(500, "<html></html>"), false, QStringLiteral("重置失败")},
        {"reset refused by the service", reset, std::nullopt, false, QStringLiteral("验证码错误或已过期")},
    };
    for (const auto& c : cases) {
        service.clearOverrides();
        service.state().resetCodeSentAt.clear();
        if (c.override)
            service.setOverride(c.path, *c.override);
        auto client = makeClient({url});
        const auto email = service.state().account.email;
        const auto result = c.path == sendCode
            ? awaitTask(client->sendResetCode(email))
            : awaitTask(client->resetPassword(email, QStringLiteral("000000"), QStringLiteral("secret-1")));
        EXPECT_EQ(result.ok, c.ok) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
    }
}

TEST_F(AccountCallsTest, ResetCallsTryOnceAndWithoutNetworkSayNetworkError)
{
    auto client = makeClient({closedUrl(), url});
    storeIndex(0);

    const auto code = awaitTask(client->sendResetCode(QStringLiteral("a@b.c")));
    const auto reset
        = awaitTask(client->resetPassword(QStringLiteral("a@b.c"), QStringLiteral("1"), QStringLiteral("2")));

    for (const auto& result : {code, reset}) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, i18n::tr(QStringLiteral("网络错误")));
    }
    EXPECT_EQ(service.requests().size(), 0);
    EXPECT_EQ(storedIndex(), 0);
}

TEST_F(AccountCallsTest, PasswordResetWithTheMailedCode)
{
    QString mailed;
    service.state().mailSent = [&](const QString&, const QString& code) { mailed = code; };
    auto client = makeClient({url});
    const auto email = service.state().account.email;

    EXPECT_TRUE(awaitTask(client->sendResetCode(email)).ok);
    ASSERT_EQ(mailed.size(), 6);
    const auto body = QJsonDocument::fromJson(service.requests().last().body).object();
    EXPECT_EQ(body, (QJsonObject{{QStringLiteral("email"), email}}));

    const auto result = awaitTask(client->resetPassword(email, mailed, QStringLiteral("new-secret")));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("密码已重置"));
    const auto resetBody = QJsonDocument::fromJson(service.requests().last().body).object();
    EXPECT_EQ(resetBody.value(QLatin1String("password")), QStringLiteral("new-secret"));
    EXPECT_TRUE(awaitTask(client->login(email, QStringLiteral("new-secret"))));
}

TEST_F(AccountCallsTest, ProfileAnswers)
{
    auto client = makeClient({url});
    // Not signed in: the refusal decodes as a profile with ok false.
    const auto refused = awaitTask(client->fetchProfile());
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    EXPECT_FALSE(refused->email);

    service.setOverride(QStringLiteral("/api/user/profile"), answer(200, R"({"email":"a@b.c"})"));
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchProfile()));
    service.setOverride(QStringLiteral("/api/user/profile"), answer(502, "<html></html>"));
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchProfile()));
}
