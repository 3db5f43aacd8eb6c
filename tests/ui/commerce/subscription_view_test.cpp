// The subscription sheet: the link built from the service's address and the user's token, the
// configuration offered only when one arrived whole, the copies and their confirmation.
#include "commerce_world.h"

#include "ui/commerce/subscription_view.h"
#include "ui/common/button.h"
#include "ui/common/load_state_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>

class SubscriptionTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        delete view;
        deliverPostedEvents();
    }
    SubscriptionView& open()
    {
        view = new SubscriptionView(world.services(), nullptr);
        view->open();
        CommerceWorld::waitUntil([this] { return !view->isLoading(); });
        return *view;
    }

    CommerceWorld world;
    QPointer<SubscriptionView> view;
};

TEST_F(SubscriptionTest, LinkAndConfigurationAreCopiedWhole)
{
    open();
    const QString link = CommerceWorld::serviceAddress + u"/api/sub/"_qs + world.service.state().account.uuid;
    EXPECT_EQ(view->states()->state(), LoadStateView::State::content);
    EXPECT_EQ(view->subUrl(), link);
    EXPECT_EQ(view->link()->text(), link);
    ASSERT_TRUE(view->configText());
    EXPECT_TRUE(view->configText()->startsWith(u"mixed-port:"_qs));
    EXPECT_EQ(view->characterCount()->text(), QString::number(view->configText()->size()) + u" 字符"_qs);

    EXPECT_EQ(view->copyUrlButton()->text(), u"复制"_qs);
    QGuiApplication::clipboard()->setText(u"old"_qs);
    view->copyUrlButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), link);
    EXPECT_TRUE(view->isUrlCopied());
    EXPECT_EQ(view->copyUrlButton()->text(), u"已复制"_qs);
    // Back to its title after the confirmation's 2.0 s.
    CommerceWorld::waitUntil([this] { return !view->isUrlCopied(); }, 4000);
    EXPECT_EQ(view->copyUrlButton()->text(), u"复制"_qs);

    view->copyConfigButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), *view->configText());
    EXPECT_EQ(view->copyConfigButton()->text(), u"已复制"_qs);
}

TEST_F(SubscriptionTest, CountsCharactersAsRead)
{
    world.service.setOverride(QStringLiteral("/api/subscription"),
                              answerOnce(200, u"订é\u0301🇯🇵ab"_qs.toUtf8(), "text/yaml"));
    open();
    EXPECT_EQ(view->characterCount()->text(), u"5 字符"_qs);
}

TEST_F(SubscriptionTest, NoConfigurationOfferedUnlessOneArrivedWhole)
{
    struct Case {
        const char* what;
        StandInService::Override override;
        // A download cut short is a failed call: the screen offers its retry, not a link.
        LoadStateView::State state = LoadStateView::State::content;
    };
    StandInService::Override cut;
    cut.bodyBreak = BodyBreak::closed;
    cut.times = 1;
    const Case cases[] = {
        {"error page", answerOnce(500, "<html><body>500 Internal Server Error</body></html>", "text/html")},
        {"HTML page with success status", answerOnce(200, "<!DOCTYPE html><html>login</html>", "text/html")},
        {"JSON refusal", answerOnce(200, R"({"ok":false,"msg":"请先登录"})")},
        {"empty body", answerOnce(200, "", "text/yaml")},
        {"download cut short", cut, LoadStateView::State::failed},
    };
    for (const auto& c : cases) {
        world.service.setOverride(QStringLiteral("/api/subscription"), c.override);
        QGuiApplication::clipboard()->setText(u"untouched"_qs);
        open();
        EXPECT_EQ(view->states()->state(), c.state) << c.what;
        EXPECT_FALSE(view->configText()) << c.what;
        EXPECT_FALSE(view->copyConfigButton()->isEnabled()) << c.what;
        EXPECT_FALSE(view->characterCount()->isVisibleTo(view)) << c.what;
        view->copyConfigButton()->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), u"untouched"_qs) << c.what;
        EXPECT_EQ(view->subUrl().has_value(), c.state == LoadStateView::State::content) << c.what;
        delete view;
        deliverPostedEvents();
    }
}

TEST_F(SubscriptionTest, MissingTokenShowsNoLink)
{
    for (const auto* body : {R"({"uuid":""})", R"({"ok":true})"}) {
        world.service.setOverride(QStringLiteral("/api/me"), answerOnce(200, body));
        open();
        EXPECT_FALSE(view->subUrl()) << body;
        EXPECT_TRUE(view->noLink()->isVisibleTo(view)) << body;
        EXPECT_EQ(view->noLink()->text(), u"无法获取订阅链接"_qs);
        EXPECT_TRUE(view->copyConfigButton()->isEnabled()) << body;
        delete view;
        deliverPostedEvents();
    }
}

TEST_F(SubscriptionTest, EitherCallFailingShowsTheErrorAndRetryLoadsAgain)
{
    world.service.setOverride(QStringLiteral("/api/subscription"), droppedConnection(2));
    open();
    EXPECT_EQ(view->states()->state(), LoadStateView::State::failed);
    EXPECT_EQ(view->loadError(), u"网络错误，请重试"_qs);
    EXPECT_FALSE(view->subUrl()); // the token that did arrive is not shown half

    world.service.setOverride(QStringLiteral("/api/me"), answerOnce(200, "<html>"));
    world.service.clearRequests();
    view->states()->retryButton()->click();
    CommerceWorld::waitUntil([this] { return !view->isLoading(); });
    EXPECT_EQ(view->states()->state(), LoadStateView::State::failed);
    EXPECT_TRUE(world.service.requestsTo(QStringLiteral("/api/subscription")).isEmpty());

    view->states()->retryButton()->click();
    CommerceWorld::waitUntil([this] { return !view->isLoading(); });
    EXPECT_EQ(view->states()->state(), LoadStateView::State::content);
    EXPECT_TRUE(view->subUrl());
    EXPECT_TRUE(view->configText());
}
