#include "app_state_fixture.h"
#include "platform/settings_keys.h"
#include "support/captured_log.h"
#include "support/scoped_env.h"
#include "support/table_row.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSignalSpy>

#include <sys/stat.h>

namespace {

const QRegularExpression kStamp(QStringLiteral(" @ \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000\\z"));

QString withoutStamp(const QString& line)
{
    EXPECT_TRUE(kStamp.match(line).hasMatch()) << line.toStdString();
    return QString(line).remove(kStamp);
}

QList<qint64> ids(const QList<Node>& nodes)
{
    QList<qint64> result;
    for (const auto& node : nodes)
        result.append(node.id);
    return result;
}

using AppStateTest = AppStateFixture;

TEST_F(AppStateTest, StartsSignedOutAndLoading)
{
    EXPECT_FALSE(state->isLoggedIn());
    EXPECT_TRUE(state->isLoading());
    EXPECT_FALSE(state->isAutoSelecting());
    EXPECT_TRUE(state->nodes().isEmpty());
    EXPECT_FALSE(state->profile());
}

TEST_F(AppStateTest, SignInLoadsProfileThenNodesAndAnnouncements)
{
    CapturedLog log;
    const auto& account = service.state().account;
    const auto result = QCoro::waitFor(state->login(account.email, account.password));
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.message);
    // Signed in at once, and loading until the profile answers.
    EXPECT_TRUE(state->isLoggedIn());
    EXPECT_TRUE(state->isLoading());

    waitUntil([this] { return !state->isLoading() && !state->nodes().isEmpty() && !state->announcements().isEmpty(); });
    EXPECT_TRUE(state->isLoggedIn());
    ASSERT_TRUE(state->profile());
    EXPECT_EQ(state->profile()->email, account.email);
    EXPECT_EQ(state->nodes().size(), service.state().nodes.size());
    EXPECT_EQ(state->nodes().first().id,
              service.state().nodes.first().toObject().value(QStringLiteral("id")).toInteger());
    EXPECT_EQ(state->announcements().size(), service.state().announcements.size());

    const auto count = QString::number(service.state().nodes.size());
    EXPECT_TRUE(log.contains(QStringLiteral("loadNodes: got ") + count + QStringLiteral(" nodes")));
    EXPECT_TRUE(log.contains(QStringLiteral("loadAnnouncements: got ")
                             + QString::number(service.state().announcements.size())));
    const auto lines = debugLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(withoutStamp(lines[0]),
              QStringLiteral("[LOGIN] email=") + account.email + QStringLiteral(" pwd_len=")
                  + QString::number(account.password.size()) + QStringLiteral(" success=true"));
    EXPECT_EQ(withoutStamp(lines[1]), QStringLiteral("[NODES] got ") + count + QStringLiteral(" nodes"));
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(account.password));
}

TEST_F(AppStateTest, ARefusedSignInChangesNothing)
{
    QSignalSpy loggedIn(state.get(), &AppState::isLoggedInChanged);
    const auto result = QCoro::waitFor(state->login(service.state().account.email, QStringLiteral("wrong 密码")));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message);
    EXPECT_TRUE(loggedIn.isEmpty());
    EXPECT_TRUE(state->isLoading());
    EXPECT_FALSE(state->isLoggedIn());
    ASSERT_EQ(debugLines().size(), 1);
    // The length counts characters as a person sees them.
    EXPECT_EQ(withoutStamp(debugLines()[0]),
              QStringLiteral("[LOGIN] email=") + service.state().account.email
                  + QStringLiteral(" pwd_len=8 success=false"));
}

TEST_F(AppStateTest, AFailedSignInGivesTheErrorText)
{
    state = makeState(QStringLiteral("http://127.0.0.1:%1").arg(StandInService::closedPort()));
    const auto result = QCoro::waitFor(state->login(QStringLiteral("a@b.test"), QStringLiteral("pw")));
    EXPECT_FALSE(result.ok);
    ASSERT_TRUE(result.message);
    EXPECT_TRUE(result.message->startsWith(QStringLiteral("网络错误: "))) << result.message->toStdString();
    EXPECT_FALSE(state->isLoggedIn());
    ASSERT_EQ(debugLines().size(), 1);
    EXPECT_EQ(withoutStamp(debugLines()[0]), QStringLiteral("[LOGIN-ERR] email=a@b.test error=") + *result.message);
}

TEST_F(AppStateTest, ProfileAnswersDecideTheSignInState)
{
    // Refused: stored, signed out, loading over.
    StandInService::Override refused;
    refused.status = 401;
    refused.body = R"({"ok":false,"msg":"请先登录"})";
    service.setOverride(QStringLiteral("/api/user/profile"), refused);
    state->loadProfile();
    waitUntil([this] { return !state->isLoading(); });
    ASSERT_TRUE(state->profile());
    EXPECT_FALSE(state->profile()->ok);
    EXPECT_EQ(state->profile()->msg, QStringLiteral("请先登录"));
    EXPECT_FALSE(state->isLoggedIn());

    // Undecodable: signed out, loading over, the previous profile kept.
    CapturedLog log;
    state->setIsLoading(true);
    state->setIsLoggedIn(true);
    StandInService::Override broken;
    broken.status = 200;
    broken.body = R"({"email":"x@y.test"})";
    service.setOverride(QStringLiteral("/api/user/profile"), broken);
    state->loadProfile();
    waitUntil([this] { return !state->isLoading(); });
    EXPECT_FALSE(state->isLoggedIn());
    ASSERT_TRUE(state->profile());
    EXPECT_EQ(state->profile()->msg, QStringLiteral("请先登录"));
    EXPECT_FALSE(log.lines().filter(QStringLiteral("Failed to load profile: ")).isEmpty());
}

TEST_F(AppStateTest, AFailedNodeLoadKeepsTheListAndExplainsItself)
{
    signIn();
    const auto before = ids(state->nodes());
    StandInService::Override html;
    html.status = 200;
    html.body = "<html>maintenance</html>";
    html.contentType = "text/html";
    service.setOverride(QStringLiteral("/api/nodes"), html);
    CapturedLog log;
    state->loadNodes();
    waitUntil([&log] { return !log.lines().filter(QStringLiteral("DecodingError details: ")).isEmpty(); });
    const auto failure = log.lines().filter(QStringLiteral("Failed to load nodes: "));
    ASSERT_EQ(failure.size(), 1);
    const auto description = failure[0].mid(QStringLiteral("Failed to load nodes: ").size());
    EXPECT_TRUE(log.contains(QStringLiteral("DecodingError details: ") + description));
    EXPECT_EQ(withoutStamp(debugLines().last()), QStringLiteral("[NODES-ERR] ") + description);
    EXPECT_EQ(ids(state->nodes()), before);
}

TEST_F(AppStateTest, SignOutForgetsSessionProfileNodesAndAccount)
{
    state->setRememberAccount(true);
    signIn();
    state->saveRememberedAccount(service.state().account.email, service.state().account.password);
    ASSERT_FALSE(api->cookies().isEmpty());
    const auto announcements = state->announcements().size();

    state->logout();
    EXPECT_TRUE(api->cookies().isEmpty());
    EXPECT_FALSE(state->isLoggedIn());
    EXPECT_FALSE(state->profile());
    EXPECT_TRUE(state->nodes().isEmpty());
    EXPECT_EQ(state->announcements().size(), announcements);
    EXPECT_TRUE(state->rememberAccount());
    EXPECT_FALSE(state->rememberedEmail());
    EXPECT_FALSE(state->rememberedPassword());
    EXPECT_TRUE(secrets.items.isEmpty());

    // No old session goes out with the next request.
    service.clearRequests();
    const auto profile = QCoro::waitFor(api->fetchProfile());
    ASSERT_TRUE(profile);
    EXPECT_FALSE(profile->ok);
    ASSERT_EQ(service.requestsTo(QStringLiteral("/api/user/profile")).size(), 1);
    EXPECT_FALSE(service.requestsTo(QStringLiteral("/api/user/profile"))[0].header("Cookie"));
}

TEST_F(AppStateTest, ClearingTheCacheReloadsTheLists)
{
    signIn();
    const auto before = ids(state->nodes());
    state->clearCache();
    EXPECT_TRUE(state->nodes().isEmpty());
    EXPECT_TRUE(state->announcements().isEmpty());
    waitUntil([this] { return !state->nodes().isEmpty() && !state->announcements().isEmpty(); });
    EXPECT_EQ(ids(state->nodes()), before);
}

TEST_F(AppStateTest, AFailedReloadAfterClearingGivesTheOldListsBack)
{
    signIn();
    const auto nodesBefore = ids(state->nodes());
    const auto announcementsBefore = state->announcements().size();
    StandInService::Override drop;
    drop.drop = true;
    service.setOverride(QStringLiteral("/api/nodes"), drop);
    service.setOverride(QStringLiteral("/api/announcements"), drop);
    CapturedLog log;
    state->clearCache();
    waitUntil([this] { return !state->nodes().isEmpty() && !state->announcements().isEmpty(); });
    EXPECT_EQ(ids(state->nodes()), nodesBefore);
    EXPECT_EQ(state->announcements().size(), announcementsBefore);
    EXPECT_FALSE(log.lines().filter(QStringLiteral("Failed to load nodes: ")).isEmpty());
}

TEST_F(AppStateTest, RememberedAccountFollowsTheSwitch)
{
    const auto email = QStringLiteral("demo@velmorand.test");
    // Off: nothing is given out, even when something is stored.
    settings.store->setValue(SettingsKeys::rememberedEmail, email);
    keychain.save(QStringLiteral("old"), QStringLiteral("rememberedPassword"));
    EXPECT_FALSE(state->rememberedEmail());
    EXPECT_FALSE(state->rememberedPassword());

    // A sign-in with remembering off forgets both.
    state->saveRememberedAccount(email, QStringLiteral("pw"));
    EXPECT_FALSE(settings.store->contains(SettingsKeys::rememberedEmail));
    EXPECT_TRUE(secrets.items.isEmpty());

    // A finished password reset switches remembering on with the new password.
    state->setRememberAccount(true);
    state->saveRememberedAccount(email, QStringLiteral("new secret"));
    EXPECT_EQ(state->rememberedEmail(), email);
    EXPECT_EQ(state->rememberedPassword(), QStringLiteral("new secret"));
    EXPECT_EQ(secrets.items.value({QStringLiteral("com.velmorand.app"), QStringLiteral("rememberedPassword")}),
              QStringLiteral("new secret"));
}

TEST_F(AppStateTest, FavouritesToggleAndKeepTheListOrder)
{
    state->setNodes({localNode(3), localNode(1), localNode(2)});
    QSignalSpy willChange(state.get(), &AppState::objectWillChange);
    state->toggleFavorite(2);
    state->toggleFavorite(3);
    EXPECT_EQ(willChange.size(), 2);
    EXPECT_EQ(state->favoriteNodeIds(), (QSet<qint64>{2, 3}));
    EXPECT_TRUE(state->isFavorite(3));
    EXPECT_FALSE(state->isFavorite(1));
    EXPECT_EQ(ids(state->favoriteNodes()), (QList<qint64>{3, 2}));
    state->toggleFavorite(2);
    state->toggleFavorite(2);
    EXPECT_EQ(state->favoriteNodeIds(), (QSet<qint64>{2, 3}));
    // Kept as an array of integers, read back by a later process.
    EXPECT_EQ(settings.reopen()->value(SettingsKeys::favoriteNodeIds).toArray().size(), 2);
}

TEST_F(AppStateTest, StoredIdListsWithAnythingButIntegersReadAsEmpty)
{
    struct Case {
        QJsonValue stored;
        QList<qint64> expected;
    };
    const Case cases[] = {
        {QJsonArray{1, 2, 3}, {1, 2, 3}},
        {QJsonArray{1, QStringLiteral("2")}, {}},
        {QJsonArray{1, 2.5}, {}},
        {QJsonArray{1, true}, {}},
        {QJsonArray{1, QJsonValue::Null}, {}},
        {QStringLiteral("1,2"), {}},
        {7, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        settings.store->setValue(SettingsKeys::recentNodeIds, c.stored);
        settings.store->setValue(SettingsKeys::favoriteNodeIds, c.stored);
        EXPECT_EQ(state->recentNodeIds(), c.expected);
        EXPECT_EQ(state->favoriteNodeIds().size(), c.expected.size());
    }
}

TEST_F(AppStateTest, RecentNodesMoveToTheFrontAndKeepTen)
{
    for (qint64 id = 1; id <= 10; ++id)
        state->addRecent(id);
    EXPECT_EQ(state->recentNodeIds(), (QList<qint64>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    state->addRecent(4);
    EXPECT_EQ(state->recentNodeIds(), (QList<qint64>{4, 10, 9, 8, 7, 6, 5, 3, 2, 1}));
    state->addRecent(11);
    EXPECT_EQ(state->recentNodeIds(), (QList<qint64>{11, 4, 10, 9, 8, 7, 6, 5, 3, 2}));

    // Ids without a node are skipped; the stored order stays.
    state->setNodes({localNode(2), localNode(4), localNode(10), localNode(99)});
    EXPECT_EQ(ids(state->recentNodes()), (QList<qint64>{4, 10, 2}));
}

TEST_F(AppStateTest, EveryAssignmentAnnouncesItself)
{
    QSignalSpy nodes(state.get(), &AppState::nodesChanged);
    QSignalSpy loading(state.get(), &AppState::isLoadingChanged);
    state->setNodes({});
    state->setIsLoading(true);
    EXPECT_EQ(nodes.size(), 1);
    EXPECT_EQ(loading.size(), 1);
}

// The debug log file -------------------------------------------------------------------------

class DebugLogFileTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("debug.log")); }
    QByteArray contents(const QString& file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(DebugLogFileTest, TheFirstEventCreatesAPrivateFileAndLaterOnesAppend)
{
    DebugLogFile log(path());
    log.append(QStringLiteral("[NODES] got 3 nodes"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    DebugLogFile(path()).append(QStringLiteral("[NODES-ERR] 服务器响应异常"));
    const auto lines = QString::fromUtf8(contents(path())).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(withoutStamp(lines[0]), QStringLiteral("[NODES] got 3 nodes"));
    EXPECT_EQ(withoutStamp(lines[1]), QStringLiteral("[NODES-ERR] 服务器响应异常"));
    EXPECT_EQ(lines[2], QString());
}

TEST_F(DebugLogFileTest, LivesInAPrivateDirectoryOfTheUserNotInTheSharedTemporaryOne)
{
    struct Case {
        const char* name;
        const char* variable;
        QString value;
        QString directory;
    };
    const Case cases[] = {
        {"the state directory as moved", "VELMORAND_STATE_DIR", dir.filePath(QStringLiteral("moved")),
         dir.filePath(QStringLiteral("moved"))},
        {"the desktop's state directory", "XDG_STATE_HOME", dir.filePath(QStringLiteral("xdg")),
         dir.filePath(QStringLiteral("xdg/velmorand"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv moved("VELMORAND_STATE_DIR");
        qunsetenv("VELMORAND_STATE_DIR");
        ScopedEnv chosen(c.variable, QFile::encodeName(c.value));
        const auto logPath = DebugLogFile::defaultPath();
        EXPECT_EQ(logPath, c.directory + QStringLiteral("/debug.log"));

        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(c.directory).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        DebugLogFile(logPath).append(QStringLiteral("[NODES] got 3 nodes"));
        ASSERT_EQ(::lstat(QFile::encodeName(logPath).constData(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
}

TEST_F(DebugLogFileTest, AnOpenFileOfOursIsMadePrivate)
{
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old\n");
    file.close();
    ::chmod(QFile::encodeName(path()).constData(), 0644);
    DebugLogFile(path()).append(QStringLiteral("[NODES] got 1 nodes"));
    struct stat info {};
    ::stat(QFile::encodeName(path()).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(contents(path()).startsWith("old\n[NODES] got 1 nodes @ "));
}

TEST_F(DebugLogFileTest, LinksArePassedBy)
{
    const auto target = dir.filePath(QStringLiteral("target"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious\n");
    file.close();

    ASSERT_TRUE(QFile::link(target, path()));
    DebugLogFile(path()).append(QStringLiteral("[LOGIN] email=a@b.test pwd_len=2 success=true"));
    EXPECT_EQ(contents(target), "precious\n");

    QFile::remove(path());
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(path()).constData()), 0);
    DebugLogFile(path()).append(QStringLiteral("[LOGIN] email=a@b.test pwd_len=2 success=true"));
    EXPECT_EQ(contents(target), "precious\n");
}

TEST_F(DebugLogFileTest, AFileOfAnotherUserIsLeftAlone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ::chmod(QFile::encodeName(path()).constData(), 0666);
    ASSERT_EQ(::chown(QFile::encodeName(path()).constData(), 65534, 65534), 0);
    DebugLogFile(path()).append(QStringLiteral("[LOGIN] email=a@b.test pwd_len=2 success=true"));
    EXPECT_TRUE(contents(path()).isEmpty());
}

} // namespace
