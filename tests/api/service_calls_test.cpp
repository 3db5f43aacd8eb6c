// Server status, plans and orders, tickets, invitations, withdrawals, traffic log, conversion and
// subscription: each call against the stand-in's own data and against odd answers.
#include "api_test_support.h"

#include <QJsonDocument>

using namespace api_test;

class ServiceCallsTest : public ApiTest {
protected:
    void SetUp() override
    {
        client = makeClient({url});
        signIn(*client);
    }
    QJsonObject lastBody() const { return QJsonDocument::fromJson(service.requests().last().body).object(); }

    std::unique_ptr<ApiService> client;
};

// Server status dashboard

TEST_F(ServiceCallsTest, ServerStatusOfTheService)
{
    const auto status = awaitTask(client->fetchServerStatus());
    EXPECT_TRUE(status.ok);
    ASSERT_TRUE(status.data);
    EXPECT_TRUE(status.data->xray_running);
    EXPECT_EQ(status.data->load_avg, QStringLiteral("0.42, 0.37, 0.31"));

    const auto inbounds = awaitTask(client->fetchServerInbounds());
    ASSERT_EQ(inbounds.size(), 3);
    EXPECT_EQ(inbounds[0].proto, QStringLiteral("trojan"));
    EXPECT_GT(inbounds[0].down, qint64(1) << 31); // 64-bit counters arrive whole
    EXPECT_EQ(inbounds[0].total, inbounds[0].up + inbounds[0].down);

    const auto connections = awaitTask(client->fetchServerConnections());
    ASSERT_TRUE(connections.data);
    EXPECT_EQ(connections.data->value(QStringLiteral("443")), 57);
}

TEST_F(ServiceCallsTest, ServerStatusOddAnswers)
{
    answerWith(QStringLiteral("/api/server/status"), R"({"ok":false})");
    const auto refused = awaitTask(client->fetchServerStatus());
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.data);

    answerWith(QStringLiteral("/api/server/inbounds"), R"({"ok":true})");
    EXPECT_TRUE(awaitTask(client->fetchServerInbounds()).isEmpty());
    answerWith(
        QStringLiteral("/api/server/inbounds"),
        R"({"ok":false,"data":[{"id":1,"remark":"r","port":443,"protocol":"vless","enable":true,"up":1,"down":2,"total":3,"tag":"t","clients":1}]})");
    EXPECT_EQ(awaitTask(client->fetchServerInbounds()).size(), 1);
    answerWith(
        QStringLiteral("/api/server/inbounds"),
        R"({"ok":true,"data":[{"id":1,"remark":"r","port":443,"proto":"vless","enable":true,"up":1,"down":2,"total":3,"tag":"t","clients":1}]})");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchServerInbounds()));

    answerWith(QStringLiteral("/api/server/connections"), R"({"ok":true,"data":{}})");
    const auto none = awaitTask(client->fetchServerConnections());
    ASSERT_TRUE(none.data);
    EXPECT_TRUE(none.data->isEmpty());
    answerWith(QStringLiteral("/api/server/connections"), R"({"ok":true,"data":{"443":"5"}})");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchServerConnections()));
    answerWith(QStringLiteral("/api/server/status"), "");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchServerStatus()));
}

// Plans, coupons, orders and payment

TEST_F(ServiceCallsTest, PlansOfTheFiveEditions)
{
    const auto plans = awaitTask(client->fetchPlans());
    ASSERT_EQ(plans.size(), 5);
    EXPECT_EQ(plans[0].price, 0);
    EXPECT_EQ(plans[4].period, QStringLiteral("year"));
}

TEST_F(ServiceCallsTest, PlanListShapes)
{
    answerWith(QStringLiteral("/api/plans"), R"({"ok":true,"data":[]})");
    EXPECT_TRUE(awaitTask(client->fetchPlans()).isEmpty());
    answerWith(QStringLiteral("/api/plans"),
               R"({"ok":true,"data":[{"name":"基础版","traffic":100,"price":15,"nodes":8,"devices":2}]})");
    const auto plans = awaitTask(client->fetchPlans());
    ASSERT_EQ(plans.size(), 1);
    EXPECT_FALSE(plans[0].id);

    for (const QByteArray& body : {QByteArray(R"({"ok":true})"), QByteArray(R"({"ok":"true","data":[]})"),
                                   QByteArray(R"({"ok":false,"data":[]})"), QByteArray(R"([{"ok":true}])"),
                                   QByteArray(R"({"ok":true,"data":[1]})")}) {
        answerWith(QStringLiteral("/api/plans"), body);
        EXPECT_TRUE(awaitError<ApiError>(client->fetchPlans())) << body.constData();
    }
    answerWith(QStringLiteral("/api/plans"),
               R"({"ok":true,"data":[{"name":"x","traffic":1,"price":"15","nodes":1,"devices":1}]})");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchPlans()));
}

TEST_F(ServiceCallsTest, CouponCheck)
{
    const auto welcome = awaitTask(client->validateCoupon(QStringLiteral("WELCOME15"), std::nullopt));
    EXPECT_EQ(lastBody(), (QJsonObject{{QStringLiteral("code"), QStringLiteral("WELCOME15")}}));
    EXPECT_TRUE(welcome.valid);
    ASSERT_TRUE(welcome.coupon);
    EXPECT_EQ(welcome.coupon->discount_pct, 15);
    EXPECT_FALSE(welcome.message);

    const auto wrongPlan = awaitTask(client->validateCoupon(QStringLiteral("VIP30"), QStringLiteral("基础版")));
    EXPECT_EQ(lastBody().value(QLatin1String("plan_name")), QStringLiteral("基础版"));
    EXPECT_FALSE(wrongPlan.valid);
    EXPECT_EQ(wrongPlan.message, QStringLiteral("该优惠码不适用于所选套餐"));

    awaitTask(client->validateCoupon(QStringLiteral("VIP30"), QString()));
    EXPECT_FALSE(lastBody().contains(QLatin1String("plan_name")));

    answerWith(QStringLiteral("/api/coupon/validate"), R"({"ok":false})");
    const auto bare = awaitTask(client->validateCoupon(QStringLiteral("X"), std::nullopt));
    EXPECT_FALSE(bare.valid);
    EXPECT_FALSE(bare.coupon);
    EXPECT_EQ(bare.message, QStringLiteral("优惠码无效"));

    answerWith(QStringLiteral("/api/coupon/validate"), R"({"ok":true,"coupon":{"code":"ONLY"}})");
    const auto onlyCode = awaitTask(client->validateCoupon(QStringLiteral("ONLY"), std::nullopt));
    EXPECT_TRUE(onlyCode.valid);
    ASSERT_TRUE(onlyCode.coupon);
    EXPECT_EQ(onlyCode.coupon->code, QStringLiteral("ONLY"));
    EXPECT_FALSE(onlyCode.coupon->discount_pct);

    for (const QByteArray& body :
         {QByteArray(R"({"ok":true})"), QByteArray(R"({"ok":true,"coupon":null})"), QByteArray("<html>")}) {
        answerWith(QStringLiteral("/api/coupon/validate"), body);
        EXPECT_TRUE(awaitError<DecodingError>(client->validateCoupon(QStringLiteral("X"), std::nullopt)))
            << body.constData();
    }
}

TEST_F(ServiceCallsTest, OrderFromCreationToPayment)
{
    service.state().pollsUntilPaid = 2;
    const auto order = awaitTask(client->createOrder(QStringLiteral("标准版"), QStringLiteral("WELCOME15")));
    EXPECT_EQ(lastBody(),
              (QJsonObject{{QStringLiteral("plan_name"), QStringLiteral("标准版")},
                           {QStringLiteral("coupon_code"), QStringLiteral("WELCOME15")}}));
    EXPECT_TRUE(order.ok);
    EXPECT_EQ(order.status, QStringLiteral("pending"));
    EXPECT_EQ(order.discount_pct, 15);
    EXPECT_EQ(order.amount, 21.25);
    ASSERT_TRUE(order.order_id);
    ASSERT_TRUE(order.out_trade_no);

    const auto qr = awaitTask(client->createQuibexQr(*order.out_trade_no, QStringLiteral("wxpay")));
    EXPECT_EQ(lastBody(),
              (QJsonObject{{QStringLiteral("out_trade_no"), *order.out_trade_no},
                           {QStringLiteral("type"), QStringLiteral("wxpay")}}));
    ASSERT_TRUE(qr.qrcode);
    EXPECT_TRUE(qr.qrcode->startsWith(QStringLiteral("weixin://")));
    EXPECT_FALSE(qr.qrB64);

    EXPECT_EQ(awaitTask(client->fetchOrderStatus(*order.order_id)).status, QStringLiteral("pending"));
    EXPECT_EQ(service.requests().last().target,
              QByteArray("/api/order/status?order_id=") + QByteArray::number(*order.order_id));
    const auto paid = awaitTask(client->fetchOrderStatus(*order.order_id));
    EXPECT_EQ(paid.status, QStringLiteral("paid"));
    EXPECT_EQ(paid.plan_name, QStringLiteral("标准版"));

    // Paid: no more payment codes.
    const auto late = awaitTask(client->createQuibexQr(*order.out_trade_no, QStringLiteral("wxpay")));
    EXPECT_FALSE(late.qrcode);
    EXPECT_FALSE(late.qrB64);
}

TEST_F(ServiceCallsTest, OrderBodiesAndOddAnswers)
{
    const auto free = awaitTask(client->createOrder(QStringLiteral("体验版"), QString()));
    EXPECT_EQ(lastBody(), (QJsonObject{{QStringLiteral("plan_name"), QStringLiteral("体验版")}}));
    EXPECT_EQ(free.status, QStringLiteral("activated"));

    awaitTask(client->fetchOrderStatus(-3));
    EXPECT_EQ(service.requests().last().target, QByteArray("/api/order/status?order_id=-3"));

    answerWith(QStringLiteral("/api/order/create"), R"({"ok":true,"status":"activated"})");
    const auto activated = awaitTask(client->createOrder(QStringLiteral("x"), std::nullopt));
    EXPECT_TRUE(activated.ok);
    EXPECT_FALSE(activated.order_id);
    answerWith(QStringLiteral("/api/order/create"), R"({"status":"pending"})");
    EXPECT_TRUE(awaitError<DecodingError>(client->createOrder(QStringLiteral("x"), std::nullopt)));

    answerWith(QStringLiteral("/api/pay/create_quibex_qr"), R"({"ok":true,"qrcode":"weixin://x"})");
    const auto codeOnly = awaitTask(client->createQuibexQr(QStringLiteral("T"), QStringLiteral("wxpay")));
    EXPECT_EQ(codeOnly.qrcode, QStringLiteral("weixin://x"));
    EXPECT_FALSE(codeOnly.qrB64);
    answerWith(QStringLiteral("/api/pay/create_quibex_qr"), R"({"ok":false,"qrcode":"weixin://x","qr_b64":"aGk="})");
    const auto refused = awaitTask(client->createQuibexQr(QStringLiteral("T"), QStringLiteral("wxpay")));
    EXPECT_FALSE(refused.qrcode);
    EXPECT_FALSE(refused.qrB64);
}

// Support tickets

TEST_F(ServiceCallsTest, TicketConversation)
{
    const auto before = awaitTask(client->fetchMyTickets());
    ASSERT_EQ(before.size(), 1);

    const auto id = awaitTask(client->createTicket(QString(), QStringLiteral("节点全部超时")));
    EXPECT_EQ(lastBody(),
              (QJsonObject{{QStringLiteral("subject"), QString()},
                           {QStringLiteral("content"), QStringLiteral("节点全部超时")}}));
    ASSERT_GT(id, 0);
    const auto tickets = awaitTask(client->fetchMyTickets());
    ASSERT_EQ(tickets.size(), 2);
    EXPECT_EQ(tickets.first().id, id); // newest first

    awaitTask(client->sendTicketMessage(id, QStringLiteral("重启后好了")));
    const QString path = QStringLiteral("/api/tickets/") + QString::number(id) + QStringLiteral("/messages");
    EXPECT_EQ(service.requests().last().path(), path);
    const auto messages = awaitTask(client->fetchTicketMessages(id));
    EXPECT_EQ(service.requests().last().path(), path);
    ASSERT_EQ(messages.size(), 4); // each user message gets the staff's reply
    EXPECT_EQ(messages[2].content, QStringLiteral("重启后好了"));
    EXPECT_EQ(messages[2].is_admin, 0);
    EXPECT_NE(messages[3].is_admin, 0);
}

TEST_F(ServiceCallsTest, TicketListShapes)
{
    answerWith(QStringLiteral("/api/tickets"), R"({"ok":true,"data":[]})");
    EXPECT_TRUE(awaitTask(client->fetchMyTickets()).isEmpty());
    answerWith(
        QStringLiteral("/api/tickets"),
        R"({"ok":true,"data":[{"id":1,"subject":"s","last_msg":"m","status":"open","created_at":"a","updated_at":"b"}]})");
    EXPECT_EQ(awaitTask(client->fetchMyTickets()).size(), 1);
    answerWith(QStringLiteral("/api/tickets"), R"({"ok":false,"msg":"维护中","data":[]})");
    EXPECT_TRUE(awaitError<ApiError>(client->fetchMyTickets()));
    answerWith(
        QStringLiteral("/api/tickets"),
        R"({"ok":true,"data":[{"id":"1","subject":"s","last_msg":"m","status":"open","created_at":"a","updated_at":"b"}]})");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchMyTickets()));
    answerWith(QStringLiteral("/api/tickets/3/messages"), R"({"ok":true})");
    EXPECT_TRUE(awaitError<ApiError>(client->fetchTicketMessages(3)));
}

TEST_F(ServiceCallsTest, TicketCreationAnswers)
{
    struct Case {
        QByteArray body;
        std::optional<qint64> id; // absent: refused
    };
    const Case cases[] = {
        {R"({"ok":true})", 0},
        {R"({"ok":true,"ticket_id":15})", 15},
        {R"({"ok":true,"ticket_id":"15"})", 0},
        {R"({"ok":false,"ticket_id":15})", std::nullopt},
        {R"([1])", std::nullopt},
    };
    for (const auto& c : cases) {
        StandInService::Override override;
        override.method = "POST";
        override.body = c.body;
        service.setOverride(QStringLiteral("/api/tickets"), override);
        if (c.id)
            EXPECT_EQ(awaitTask(client->createTicket(QStringLiteral("s"), QStringLiteral("c"))), *c.id)
                << c.body.constData();
        else
            EXPECT_TRUE(awaitError<ApiError>(client->createTicket(QStringLiteral("s"), QStringLiteral("c"))))
                << c.body.constData();
    }
}

TEST_F(ServiceCallsTest, ARefusedTicketMessageReachesTheSender)
{
    // An empty answer carries no verdict: accepted.
    answerWith(QStringLiteral("/api/tickets/7/messages"), "");
    EXPECT_NO_THROW(awaitTask(client->sendTicketMessage(7, QStringLiteral("a"))));
    service.clearOverrides();

    // The service refuses a message to a closed ticket; the seeded ticket 7 gets closed.
    service.state().findTicket(7)->status = QStringLiteral("closed");
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(7, QStringLiteral("还在吗"))));
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(999, QStringLiteral("x"))));
    answerWith(QStringLiteral("/api/tickets/7/messages"), R"({"ok":false})");
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(7, QStringLiteral("x"))));
    answerWith(QStringLiteral("/api/tickets/7/messages"), R"({"ok":"yes"})");
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(7, QStringLiteral("x"))));
    // A failure status refuses it without a verdict too.
    answerWith(QStringLiteral("/api/tickets/7/messages"), "", 500);
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(7, QStringLiteral("x"))));
    answerWith(QStringLiteral("/api/tickets/7/messages"), R"({"msg":"稍后再试"})", 503);
    EXPECT_TRUE(awaitError<ApiError>(client->sendTicketMessage(7, QStringLiteral("x"))));
}

// Invitations, withdrawals, traffic log, conversion, subscription

TEST_F(ServiceCallsTest, InvitationAndWithdrawal)
{
    const auto invite = awaitTask(client->fetchInvite());
    ASSERT_TRUE(invite);
    EXPECT_TRUE(invite->ok);
    EXPECT_EQ(invite->invited_count, 3);
    ASSERT_TRUE(invite->invited_users);
    EXPECT_NE((*invite->invited_users)[0].id, (*invite->invited_users)[1].id);

    const auto before = awaitTask(client->fetchWithdraws()).size();
    const auto first = awaitTask(client->requestWithdraw(QStringLiteral("支付宝 demo@velmorand.test")));
    EXPECT_EQ(lastBody(), (QJsonObject{{QStringLiteral("note"), QStringLiteral("支付宝 demo@velmorand.test")}}));
    EXPECT_TRUE(first.ok);
    EXPECT_TRUE(first.message);
    const auto second = awaitTask(client->requestWithdraw(QString()));
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.message, QStringLiteral("可提现佣金不足 50 元"));
    const auto withdraws = awaitTask(client->fetchWithdraws());
    ASSERT_EQ(withdraws.size(), before + 1);
    EXPECT_EQ(withdraws.first().status, QStringLiteral("pending"));
}

TEST_F(ServiceCallsTest, WithdrawalAnswers)
{
    struct Case {
        QByteArray body;
        bool ok;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {R"({"ok":true})", true, std::nullopt},
        {R"({"msg":"审核中"})", false, QStringLiteral("审核中")},
        {R"({"ok":1,"msg":2})", false, std::nullopt},
        {R"([{"ok":true}])", false, std::nullopt},
    };
    for (const auto& c : cases) {
        answerWith(QStringLiteral("/api/user/withdraw"), c.body);
        const auto result = awaitTask(client->requestWithdraw(QString()));
        EXPECT_EQ(result.ok, c.ok) << c.body.constData();
        EXPECT_EQ(result.message, c.message) << c.body.constData();
    }
    answerWith(QStringLiteral("/api/user/withdraw"), "<html>");
    EXPECT_TRUE(awaitError<DecodingError>(client->requestWithdraw(QString())));
}

TEST_F(ServiceCallsTest, LenientLists)
{
    for (const QByteArray& body :
         {QByteArray(R"({"ok":true})"), QByteArray(R"({"withdraws":null})"), QByteArray(R"([])"),
          QByteArray(R"({"withdraws":[{"id":1,"amount":5},{"id":2}]})")}) {
        answerWith(QStringLiteral("/api/user/withdraws"), body);
        EXPECT_TRUE(awaitTask(client->fetchWithdraws()).isEmpty()) << body.constData();
    }
    answerWith(QStringLiteral("/api/user/withdraws"), "<html>");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchWithdraws()));

    service.clearOverrides();
    const auto days = awaitTask(client->fetchTrafficLog());
    ASSERT_EQ(days.size(), 30);
    EXPECT_LT(days.first().date, days.last().date);
    answerWith(QStringLiteral("/api/user/traffic_log"), R"({"data":[]})");
    EXPECT_TRUE(awaitTask(client->fetchTrafficLog()).isEmpty());
    answerWith(QStringLiteral("/api/user/traffic_log"), R"({"data":[{"date":"2024-05-01"}]})");
    EXPECT_TRUE(awaitTask(client->fetchTrafficLog()).isEmpty());
    answerWith(QStringLiteral("/api/user/traffic_log"), "");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchTrafficLog()));
}

TEST_F(ServiceCallsTest, InvitationDecodingFailuresThrow)
{
    answerWith(QStringLiteral("/api/user/invite"), "<html>502</html>", 502);
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchInvite()));
    answerWith(QStringLiteral("/api/user/invite"), R"({"ok":false})");
    const auto refused = awaitTask(client->fetchInvite());
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
}

TEST_F(ServiceCallsTest, Conversion)
{
    const auto clash = awaitTask(client->convert(QStringLiteral("https://sub.example/s/abc"), QStringLiteral("clash")));
    EXPECT_EQ(lastBody(),
              (QJsonObject{{QStringLiteral("url"), QStringLiteral("https://sub.example/s/abc")},
                           {QStringLiteral("format"), QStringLiteral("clash")}}));
    ASSERT_TRUE(clash);
    ASSERT_TRUE(clash->config);
    EXPECT_TRUE(clash->config->contains(QStringLiteral("proxies:")));
    EXPECT_EQ(clash->count, service.state().nodes.size());

    const auto refused = awaitTask(client->convert(QStringLiteral("ftp://x"), QStringLiteral("clash")));
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->config);
    EXPECT_EQ(refused->error, QStringLiteral("订阅链接无效"));

    answerWith(QStringLiteral("/api/convert"), "<html>500</html>", 500);
    EXPECT_FALSE(awaitTask(client->convert(QStringLiteral("https://x"), QStringLiteral("v2ray"))));
    answerWith(QStringLiteral("/api/convert"), R"({"count":"3"})");
    EXPECT_FALSE(awaitTask(client->convert(QStringLiteral("https://x"), QStringLiteral("v2ray"))));
    answerWith(QStringLiteral("/api/convert"), R"({})");
    const auto empty = awaitTask(client->convert(QStringLiteral("https://x"), QStringLiteral("v2ray")));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->config);
}

TEST_F(ServiceCallsTest, ClientFromAnotherCarriesItsSessionOnly)
{
    ApiService copy(*client, nullptr);
    EXPECT_EQ(copy.baseURL(), client->baseURL());
    EXPECT_TRUE(copy.isLoggedIn());
    EXPECT_EQ(awaitTask(copy.fetchMyUuid()), service.state().account.uuid);
    // Its jar is its own: signing it out leaves the original signed in.
    copy.logout();
    EXPECT_TRUE(client->isLoggedIn());
    EXPECT_EQ(awaitTask(client->fetchMyUuid()), service.state().account.uuid);
}

TEST_F(ServiceCallsTest, SubscriptionAndToken)
{
    const auto config = awaitTask(client->fetchSubscriptionConfig());
    ASSERT_TRUE(config);
    EXPECT_TRUE(config->startsWith(QStringLiteral("mixed-port:")));
    EXPECT_TRUE(config->contains(QStringLiteral("香港 01 | IPLC")));
    EXPECT_EQ(awaitTask(client->fetchMyUuid()), service.state().account.uuid);

    // An error page is no configuration, and neither is text that is not UTF-8.
    answerWith(QStringLiteral("/api/subscription"), "<html>500 Internal Server Error</html>", 500);
    EXPECT_FALSE(awaitTask(client->fetchSubscriptionConfig()));
    answerWith(QStringLiteral("/api/subscription"), QByteArray("proxies: \xff\xfe"));
    EXPECT_FALSE(awaitTask(client->fetchSubscriptionConfig()));
    // Neither is an HTML page or a JSON refusal sent with a success status, nor a download cut
    // short, whose head promised more than arrived.
    answerWith(QStringLiteral("/api/subscription"), "  <!DOCTYPE html><html>login</html>");
    EXPECT_FALSE(awaitTask(client->fetchSubscriptionConfig()));
    answerWith(QStringLiteral("/api/subscription"), R"({"ok":false,"msg":"请先登录"})");
    EXPECT_FALSE(awaitTask(client->fetchSubscriptionConfig()));
    service.clearOverrides();
    StandInService::Override cut;
    cut.bodyBreak = BodyBreak::closed;
    service.setOverride(QStringLiteral("/api/subscription"), cut);
    EXPECT_TRUE(awaitError<TransportError>(client->fetchSubscriptionConfig()));
    service.clearOverrides();
    EXPECT_TRUE(awaitTask(client->fetchSubscriptionConfig()));

    struct Case {
        QByteArray body;
        std::optional<QString> token;
    };
    const Case cases[] = {
        {R"({"uuid":5,"sub_token":"tok"})", QStringLiteral("tok")},
        {R"({"uuid":"u","sub_token":"tok"})", QStringLiteral("u")},
        {R"({"ok":true})", std::nullopt},
        {R"(["u"])", std::nullopt},
    };
    for (const auto& c : cases) {
        answerWith(QStringLiteral("/api/me"), c.body);
        EXPECT_EQ(awaitTask(client->fetchMyUuid()), c.token) << c.body.constData();
    }
    answerWith(QStringLiteral("/api/me"), "<html>");
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchMyUuid()));
}
