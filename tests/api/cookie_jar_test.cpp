// The client's cookie jar: merge by name, replace at sign-in, the Cookie header it sends, and
// sign-out forgetting every cookie.
#include "api/cookie_jar.h"

#include "api_test_support.h"

using namespace api_test;

namespace {

QNetworkCookie cookie(const char* name, const char* value) { return QNetworkCookie(name, value); }

QList<QByteArray> names(const ApiCookieJar& jar)
{
    QList<QByteArray> result;
    for (const auto& held : jar.cookies())
        result.append(held.name());
    return result;
}

} // namespace

TEST(ApiCookieJar, MergeReplacesByNameAndAppends)
{
    ApiCookieJar jar;
    jar.merge({cookie("sid", "1")});
    jar.merge({cookie("lang", "en")});
    jar.merge({cookie("sid", "2")});
    EXPECT_EQ(jar.headerValue(), QByteArray("lang=en; sid=2"));

    // Domain and path do not matter: the same name is the same cookie.
    auto elsewhere = cookie("lang", "ja");
    elsewhere.setDomain(QStringLiteral("other.example"));
    elsewhere.setPath(QStringLiteral("/x"));
    jar.merge({elsewhere, cookie("theme", "dark")});
    EXPECT_EQ(names(jar), (QList<QByteArray>{"sid", "lang", "theme"}));
    EXPECT_EQ(jar.headerValue(), QByteArray("sid=2; lang=ja; theme=dark"));
}

TEST(ApiCookieJar, ReplaceKeepsExactlyTheNewCookies)
{
    ApiCookieJar jar;
    jar.merge({cookie("sid", "1"), cookie("lang", "en")});
    jar.replace({cookie("session", "s")});
    EXPECT_EQ(jar.headerValue(), QByteArray("session=s"));
    jar.replace({});
    EXPECT_TRUE(jar.isEmpty());
    EXPECT_EQ(jar.headerValue(), QByteArray());
}

TEST(ApiCookieJar, ValuesAreSentAsReceived)
{
    ApiCookieJar jar;
    jar.merge({cookie("token", "a=b/c+d"), cookie("empty", "")});
    EXPECT_EQ(jar.headerValue(), QByteArray("token=a=b/c+d; empty="));
}

class CookieTest : public ApiTest {
protected:
    void setCookieOnce(const QByteArray& setCookie)
    {
        StandInService::Override override;
        override.setCookies = {setCookie};
        override.times = 1;
        service.setOverride(QStringLiteral("/api/announcements"), override);
    }
    QList<QByteArray> cookieHeadersOfLastRequest() const
    {
        QList<QByteArray> headers;
        for (const auto& [name, value] : service.requests().last().headers) {
            if (name.compare("Cookie", Qt::CaseInsensitive) == 0)
                headers.append(value);
        }
        return headers;
    }
};

TEST_F(CookieTest, GetAndPostSendExactlyTheJarInJarOrder)
{
    auto client = makeClient({url});
    setCookieOnce("sid=1; Path=/");
    awaitTask(client->fetchAnnouncements());
    setCookieOnce("lang=en; Path=/");
    awaitTask(client->fetchAnnouncements());
    setCookieOnce("sid=2; Path=/");
    awaitTask(client->fetchAnnouncements());

    awaitTask(client->fetchAnnouncements());
    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{"lang=en; sid=2"});
    awaitTask(client->convert(QStringLiteral("https://sub.example/x"), QStringLiteral("clash")));
    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{"lang=en; sid=2"});
}

TEST_F(CookieTest, SignInReplacesTheJarAndSendsNoJar)
{
    auto client = makeClient({url});
    // The jar ignores the path; the session's own store only attaches it to that path.
    setCookieOnce("lang=en; Path=/api/announcements");
    awaitTask(client->fetchAnnouncements());
    ASSERT_EQ(client->cookies().headerValue(), QByteArray("lang=en"));

    signIn(*client);

    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{});
    ASSERT_EQ(client->cookies().cookies().size(), 1);
    EXPECT_EQ(client->cookies().cookies().first().name(), QByteArray("velmorand_session"));
}

TEST_F(CookieTest, AnswerCookiesReplaceTheJarEvenWhenSignInFails)
{
    auto client = makeClient({url});
    setCookieOnce("lang=en; Path=/");
    awaitTask(client->fetchAnnouncements());

    StandInService::Override notJson;
    notJson.body = "<html>maintenance</html>";
    notJson.setCookies = {"maintenance=1; Path=/"};
    notJson.times = 1;
    service.setOverride(QStringLiteral("/api/login"), notJson);
    EXPECT_TRUE(awaitError<LoginError>(client->login(QStringLiteral("a@b.c"), QStringLiteral("x"))));
    EXPECT_EQ(client->cookies().headerValue(), QByteArray("maintenance=1"));

    answerWith(QStringLiteral("/api/login"), "{}", 401);
    EXPECT_TRUE(awaitError<LoginError>(client->login(QStringLiteral("a@b.c"), QStringLiteral("x"))));
    EXPECT_TRUE(client->cookies().isEmpty());
}

TEST_F(CookieTest, LogoutForgetsTheJarAndTheSessionStore)
{
    auto client = makeClient({url});
    signIn(*client);
    EXPECT_TRUE(client->isLoggedIn());
    // The session's own store attaches the earlier session cookie to the next sign-in.
    signIn(*client);
    ASSERT_EQ(cookieHeadersOfLastRequest().size(), 1);
    EXPECT_TRUE(cookieHeadersOfLastRequest().first().startsWith("velmorand_session="));

    client->logout();

    EXPECT_FALSE(client->isLoggedIn());
    const auto profile = awaitTask(client->fetchProfile());
    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{});
    ASSERT_TRUE(profile);
    EXPECT_FALSE(profile->ok);
    signIn(*client);
    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{});
}
