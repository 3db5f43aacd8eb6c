// The client's cookie jar: merge by name, replace at sign-in, the Cookie header it sends only
// where each cookie came from, and sign-out forgetting every cookie.
#include "api/cookie_jar.h"

#include "api_test_support.h"

using namespace api_test;

namespace {

const QUrl kHost(QStringLiteral("http://127.0.0.1:8630/api/profile"));

// A cookie as the answer of kHost sets it without a Domain attribute.
QNetworkCookie cookie(const char* name, const char* value)
{
    QNetworkCookie made(name, value);
    made.normalize(kHost);
    return made;
}

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
    EXPECT_EQ(jar.headerValue(kHost), QByteArray("lang=en; sid=2"));

    // Domain and path do not matter: the same name is the same cookie. It goes only to its host.
    auto elsewhere = cookie("lang", "ja");
    elsewhere.setDomain(QStringLiteral("other.example"));
    elsewhere.setPath(QStringLiteral("/x"));
    jar.merge({elsewhere, cookie("theme", "dark")});
    EXPECT_EQ(names(jar), (QList<QByteArray>{"sid", "lang", "theme"}));
    EXPECT_EQ(jar.headerValue(kHost), QByteArray("sid=2; theme=dark"));
    EXPECT_EQ(jar.headerValue(QUrl(QStringLiteral("http://other.example/"))), QByteArray("lang=ja"));
}

TEST(ApiCookieJar, ReplaceKeepsExactlyTheNewCookies)
{
    ApiCookieJar jar;
    jar.merge({cookie("sid", "1"), cookie("lang", "en")});
    jar.replace({cookie("session", "s")});
    EXPECT_EQ(jar.headerValue(kHost), QByteArray("session=s"));
    jar.replace({});
    EXPECT_TRUE(jar.isEmpty());
    EXPECT_EQ(jar.headerValue(kHost), QByteArray());
}

TEST(ApiCookieJar, ValuesAreSentAsReceived)
{
    ApiCookieJar jar;
    jar.merge({cookie("token", "a=b/c+d"), cookie("empty", "")});
    EXPECT_EQ(jar.headerValue(kHost), QByteArray("token=a=b/c+d; empty="));
}

TEST(ApiCookieJar, ACookieGoesOnlyToTheHostOrDomainThatSetItAndSecureOnesOnlyOverHttps)
{
    struct Case {
        const char* name;
        const char* setCookie;
        const char* setBy;
        const char* destination;
        bool goes;
    };
    const Case cases[] = {
        {"same host, another port", "sid=1", "http://127.0.0.1:8630/api/login", "http://127.0.0.1:8631/api/x", true},
        {"same host over https", "sid=1", "http://127.0.0.1:8630/", "https://127.0.0.1:8443/", true},
        {"another address", "sid=1", "http://127.0.0.1:8630/", "http://127.0.0.2:8630/", false},
        {"another host of the same domain", "sid=1", "https://api.example.com/", "https://www.example.com/", false},
        {"the host in capitals", "sid=1", "https://api.example.com/", "https://API.Example.COM/", true},
        {"a parent of the host", "sid=1", "https://api.example.com/", "https://example.com/", false},
        {"Domain: a host below it", "sid=1; Domain=example.com", "https://api.example.com/", "https://www.example.com/",
         true},
        {"Domain: the domain itself", "sid=1; Domain=.example.com", "https://api.example.com/", "https://example.com/",
         true},
        {"Domain: a name that only ends alike", "sid=1; Domain=example.com", "https://api.example.com/",
         "https://badexample.com/", false},
        {"Domain: a host that only starts alike", "sid=1; Domain=example.com", "https://api.example.com/",
         "https://example.com.invalid/", false},
        {"Domain on an address covers no other address", "sid=1; Domain=0.0.1", "http://127.0.0.1:8630/",
         "http://10.0.0.1:8630/", false},
        {"Secure over https", "sid=1; Secure", "https://api.example.com/", "https://api.example.com/", true},
        {"Secure over plain http", "sid=1; Secure", "https://api.example.com/", "http://api.example.com/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto parsed = QNetworkCookie::parseCookies(c.setCookie);
        ASSERT_EQ(parsed.size(), 1);
        parsed.first().normalize(QUrl(QString::fromLatin1(c.setBy)));
        const QUrl destination(QString::fromLatin1(c.destination));
        EXPECT_EQ(ApiCookieJar::goesTo(parsed.first(), destination), c.goes);
        ApiCookieJar jar;
        jar.merge(parsed);
        EXPECT_EQ(jar.headerValue(destination), c.goes ? QByteArray("sid=1") : QByteArray());
    }
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

TEST_F(CookieTest, ACookieForAnotherHostIsRefusedAndThePoolEntryOfAnotherHostGetsNoSession)
{
    // The same service under an address and under a name: two hosts as far as cookies go.
    const auto byName = QString(url).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    const QStringList pool{url, byName};
    auto client = makeClient(pool);
    storeIndex(0);
    // Cookies for other hosts from this answer are not taken at all.
    StandInService::Override foreign;
    foreign.setCookies = {"theirs=1; Domain=example.com", "tld=1; Domain=.com", "lang=en"};
    foreign.times = 1;
    service.setOverride(QStringLiteral("/api/announcements"), foreign);
    awaitTask(client->fetchAnnouncements());
    EXPECT_EQ(names(client->cookies()), QList<QByteArray>{"lang"});

    signIn(*client);
    awaitTask(client->fetchProfile());
    ASSERT_EQ(cookieHeadersOfLastRequest().size(), 1);
    EXPECT_TRUE(cookieHeadersOfLastRequest().first().contains("velmorand_session="));

    storeIndex(1);
    awaitTask(client->fetchProfile());
    EXPECT_EQ(service.requests().last().target, QByteArray("/api/user/profile"));
    EXPECT_EQ(cookieHeadersOfLastRequest(), QList<QByteArray>{});
    // The pool stays as it was, and the first entry still gets the session.
    EXPECT_EQ(client->domainPool(), pool);
    storeIndex(0);
    awaitTask(client->fetchProfile());
    ASSERT_EQ(cookieHeadersOfLastRequest().size(), 1);
    EXPECT_TRUE(cookieHeadersOfLastRequest().first().contains("velmorand_session="));
}

TEST_F(CookieTest, SignInReplacesTheJarAndSendsNoJar)
{
    auto client = makeClient({url});
    // The jar ignores the path; the session's own store only attaches it to that path.
    setCookieOnce("lang=en; Path=/api/announcements");
    awaitTask(client->fetchAnnouncements());
    ASSERT_EQ(client->cookies().headerValue(QUrl(url)), QByteArray("lang=en"));

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
    EXPECT_EQ(client->cookies().headerValue(QUrl(url)), QByteArray("maintenance=1"));

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
