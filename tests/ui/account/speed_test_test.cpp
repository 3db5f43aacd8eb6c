#include "account_test_support.h"
#include "settings_world.h"

#include "support/loopback_ports.h"
#include "ui/account/speed_test_section.h"
#include "ui/common/button.h"

#include <QLabel>
#include <QRegularExpression>

namespace {

const QRegularExpression kRate(QStringLiteral(R"(^\d+\.\d Mbps$)"));

class SpeedTestTest : public ::testing::Test {
protected:
    SpeedTestSection& section() { return *world.view->speedTestSection(); }

    // Connects to the local node, starts a test with the button and waits for its result.
    SpeedTestResult runFromTheButton()
    {
        world.connect(world.localNode());
        world.makeView();
        EXPECT_TRUE(section().startButton()->isEnabled());
        section().startButton()->click();
        EXPECT_TRUE(section().isTesting());
        UiWorld::waitUntil([&] { return !section().isTesting(); });
        return section().result().value_or(SpeedTestResult{});
    }

    SettingsWorld world;
};

TEST(SpeedTestRate, MegabitsPerSecondWithOneDecimal)
{
    struct Case {
        qint64 bytes;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {1048576, 2.0, "4.2 Mbps"}, {1048576, 0.5, "16.8 Mbps"}, {0, 1.0, "0.0 Mbps"},
        {1048576, 0.0, "0 Mbps"},   {10, -1.0, "0 Mbps"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeedTest::rateText(c.bytes, c.seconds), QLatin1String(c.text)) << c.bytes << " in " << c.seconds;
    EXPECT_EQ(latencyText(35), QStringLiteral("35 ms"));
    EXPECT_EQ(latencyText(std::nullopt), QStringLiteral("--"));
}

// What each answer of the web server makes of the download; the latency is measured either way.
TEST_F(SpeedTestTest, OnlyAFileAnswerCountsAsASpeed)
{
    struct Case {
        const char* name;
        LocalHttpServer::Mode mode;
        bool isSpeed;
    };
    const Case cases[] = {
        {"200", LocalHttpServer::Mode::standard, true},
        {"206", LocalHttpServer::Mode::partialContent, true},
        {"404", LocalHttpServer::Mode::notFound, false},
        {"time-out", LocalHttpServer::Mode::silent, false},
        {"cut connection", LocalHttpServer::Mode::cutShort, false},
    };
    world.connect(world.localNode());
    world.makeView();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        world.web.setMode(c.mode);
        section().startButton()->click();
        UiWorld::waitUntil([&] { return !section().isTesting(); });
        ASSERT_TRUE(section().result());
        const auto& result = *section().result();
        if (c.isSpeed)
            EXPECT_TRUE(kRate.match(result.download).hasMatch()) << result.download.toStdString();
        else
            EXPECT_EQ(result.download, QStringLiteral("--"));
        ASSERT_TRUE(result.latency) << "the node's port answers";
        EXPECT_EQ(section().latencyValue()->text(), latencyText(result.latency));
        EXPECT_EQ(section().downloadValue()->text(), result.download);
    }
    EXPECT_TRUE(world.web.requests().contains(QStringLiteral("/static/test.bin")));
}

TEST_F(SpeedTestTest, ARangeOfOneMebibyteIsAskedFor)
{
    world.web.setMode(LocalHttpServer::Mode::partialContent);
    const auto result = runFromTheButton();
    EXPECT_TRUE(kRate.match(result.download).hasMatch());
    EXPECT_EQ(world.web.requests(), QStringList{QStringLiteral("/static/test.bin")});
    EXPECT_EQ(world.web.rangeHeaders(), QList<QByteArray>{"bytes=0-1048575"});
}

// A server that sends its whole file is read no further than the range: the download ends
// with the first mebibyte, long before the server would have sent all of it.
TEST_F(SpeedTestTest, AServerThatIgnoresTheRangeIsReadNoFurtherThanIt)
{
    world.web.setMode(LocalHttpServer::Mode::ignoresRange);
    const auto result = runFromTheButton();
    EXPECT_TRUE(kRate.match(result.download).hasMatch()) << result.download.toStdString();
    EXPECT_EQ(world.web.rangeHeaders(), QList<QByteArray>{"bytes=0-1048575"});
    EXPECT_LT(world.web.streamedBytes(), LocalHttpServer::oversizedSize / 4);
}

// The download ends itself once the range has come from a server that sends its whole file. With
// time-outs far longer than any wait, nothing else would end it: a download left to the server or
// to a time-out never finishes here.
TEST_F(SpeedTestTest, AServerThatIgnoresTheRangeIsCutOnceTheRangeHasCome)
{
    world.web.setMode(LocalHttpServer::Mode::ignoresRange);
    SpeedTest::Options options;
    options.file = QUrl(QStringLiteral("http://127.0.0.1:%1/static/test.bin").arg(world.web.port()));
    options.idleTimeout = std::chrono::minutes(10);
    options.overallTimeout = std::chrono::minutes(10);
    SpeedTest speedTest(world.vpn, world.ping, options);
    const auto download = std::make_shared<std::optional<QString>>();
    auto measuring = speedTest.measureDownloadSpeed().then([download](const QString& text) { *download = text; });
    UiWorld::waitUntil([download] { return download->has_value(); });
    ASSERT_TRUE(download->has_value()) << "the download ended";
    EXPECT_TRUE(kRate.match(**download).hasMatch()) << download->value().toStdString();
    EXPECT_EQ(world.web.requests(), QStringList{QStringLiteral("/static/test.bin")});
}

TEST_F(SpeedTestTest, AFailedLatencyReadsDashesNotZero)
{
    auto node = world.localNode();
    node.port = closedLoopbackPort();
    world.connect(node);
    world.makeView();
    section().startButton()->click();
    UiWorld::waitUntil([&] { return !section().isTesting(); });
    ASSERT_TRUE(section().result());
    EXPECT_FALSE(section().result()->latency);
    EXPECT_EQ(section().latencyValue()->text(), QStringLiteral("--"));
    EXPECT_TRUE(kRate.match(section().result()->download).hasMatch()) << "the download still counts";
}

TEST_F(SpeedTestTest, TheButtonNeedsAConnectionAndAnEarlierResultStays)
{
    world.web.setMode(LocalHttpServer::Mode::partialContent);
    runFromTheButton();
    EXPECT_FALSE(section().connectHint()->isVisible());
    EXPECT_FALSE(section().emptyText()->isVisible());
    world.vpn.setConnectedNode(std::nullopt);
    world.vpn.setState(ConnectionState::disconnected);
    settle();
    EXPECT_FALSE(section().startButton()->isEnabled());
    EXPECT_TRUE(section().connectHint()->isVisible());
    EXPECT_EQ(section().connectHint()->text(), t("请先连接 VPN 后测速"));
    EXPECT_TRUE(section().result()) << "the earlier result stays";
}

TEST_F(SpeedTestTest, WhileTestingTheProgressShowsAndTheButtonWaits)
{
    world.web.setMode(LocalHttpServer::Mode::silent);
    world.connect(world.localNode());
    world.makeView();
    EXPECT_TRUE(section().emptyText()->isVisible());
    section().startButton()->click();
    EXPECT_FALSE(section().startButton()->isEnabled());
    EXPECT_EQ(section().startButton()->text(), t("测试中"));
    EXPECT_FALSE(section().emptyText()->isVisible()) << "no empty text while a test runs";
    UiWorld::waitUntil([&] { return !section().isTesting(); });
    EXPECT_TRUE(section().startButton()->isEnabled());
    EXPECT_EQ(section().startButton()->text(), t("开始测速"));
}

} // namespace
