// The converter and its preview: the request sent, the result card, the error line for each kind
// of failure, and the copies.
#include "commerce_world.h"
#include "support/table_row.h"

#include "ui/commerce/config_preview_view.h"
#include "ui/commerce/converter_view.h"
#include "ui/common/button.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = new ConverterView(world.services(), nullptr);
        view->open();
        deliverPostedEvents();
    }
    void TearDown() override
    {
        delete view;
        deliverPostedEvents();
    }
    void convert(const QString& link)
    {
        view->linkEditor()->setPlainText(link);
        view->convertButton()->click();
        EXPECT_TRUE(view->isLoading());
        EXPECT_FALSE(view->convertButton()->isEnabled());
        CommerceWorld::waitUntil([this] { return !view->isLoading(); });
    }

    CommerceWorld world;
    QPointer<ConverterView> view;
};

TEST_F(ConverterTest, ConvertsTheTrimmedLinkIntoTheChosenFormat)
{
    EXPECT_EQ(view->format(), u"clash"_qs);
    EXPECT_FALSE(view->convertButton()->isEnabled());
    view->linkEditor()->setPlainText(u"  \n "_qs);
    EXPECT_FALSE(view->convertButton()->isEnabled());
    EXPECT_EQ(view->hint()->text(), u"粘贴你的订阅链接，如 "_qs + CommerceWorld::serviceAddress + u"/api/sub/xxxx"_qs);

    view->formatButtons()[2]->click();
    EXPECT_EQ(view->format(), u"singbox"_qs);
    convert(u"  https://sub.example/api/sub/abc \n"_qs);
    EXPECT_EQ(
        world.postsTo(QStringLiteral("/api/convert")),
        (QList<QJsonObject>{{{u"url"_qs, u"https://sub.example/api/sub/abc"_qs}, {u"format"_qs, u"singbox"_qs}}}));
    ASSERT_TRUE(view->result());
    EXPECT_TRUE(view->resultCard()->isVisibleTo(view));
    EXPECT_FALSE(view->errorLine()->isVisibleTo(view));
    EXPECT_EQ(view->countLabel()->text(), QString::number(world.service.state().nodes.size()) + u" 节点"_qs);
    EXPECT_EQ(view->formatLine()->text(), u"格式：singbox"_qs);

    view->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), *view->result()->config);

    // The preview names the format selected now and copies the whole text.
    view->formatButtons()[3]->click();
    view->viewButton()->click();
    ASSERT_TRUE(view->preview());
    EXPECT_EQ(view->preview()->title()->text(), u"配置预览 · v2ray"_qs);
    EXPECT_EQ(view->preview()->text()->toPlainText(), *view->result()->config);
    QGuiApplication::clipboard()->setText(u"other"_qs);
    view->preview()->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), *view->result()->config);
}

TEST_F(ConverterTest, EachFailureHasItsLine)
{
    struct Case {
        int status;
        QByteArray body;
        bool drop;
        QString error;
    };
    const Case cases[] = {
        {400, R"({"ok":false,"error":"订阅链接无效"})", false, u"订阅链接无效"_qs},
        {200, R"({})", false, u"转换失败"_qs},
        {502, "<html>bad gateway</html>", false, u"转换失败"_qs},
        {200, R"({"count":"3"})", false, u"转换失败"_qs},
        {0, {}, true, u"网络错误，请重试"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        world.service.setOverride(QStringLiteral("/api/convert"),
                                  c.drop ? droppedConnection() : answerOnce(c.status, c.body));
        convert(u"https://sub.example/x"_qs);
        EXPECT_FALSE(view->result()) << c.body.constData();
        EXPECT_TRUE(view->errorLine()->isVisibleTo(view));
        EXPECT_EQ(view->errorLine()->text(), c.error) << c.body.constData();
        EXPECT_FALSE(view->resultCard()->isVisibleTo(view));
    }
}

TEST_F(ConverterTest, EmptyConfigurationIsStillAResult)
{
    world.service.setOverride(QStringLiteral("/api/convert"), answerOnce(200, R"({"config":""})"));
    convert(u"https://sub.example/x"_qs);
    ASSERT_TRUE(view->result());
    EXPECT_EQ(view->countLabel()->text(), u"0 节点"_qs);
    EXPECT_FALSE(view->formatLine()->isVisibleTo(view));
    QGuiApplication::clipboard()->setText(u"other"_qs);
    view->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}
