#include "api/records/plan_records.h"
#include "record_cases.h"

TEST(PlanRecords, Decoding)
{
    runDecodeCases({
        {R"({"name": "Basic", "traffic": 100, "price": 9.9, "nodes": 10, "devices": 3})", true,
         as<Plan>([](const Plan& p) {
             EXPECT_EQ(p.id, std::nullopt);
             EXPECT_EQ(p.name, QStringLiteral("Basic"));
             EXPECT_EQ(p.traffic, 100.0);
             EXPECT_EQ(p.price, 9.9);
             EXPECT_EQ(p.nodes, 10);
             EXPECT_EQ(p.devices, 3);
             EXPECT_EQ(p.tag, std::nullopt);
             EXPECT_EQ(p.period, std::nullopt);
             EXPECT_EQ(p.features, std::nullopt);
         })},
        {R"({"id": 2, "name": "Pro", "traffic": 500.5, "price": 30, "nodes": 20, "devices": 5, "tag": "热门",
             "period": "quarter", "features": "a\nb"})",
         true, as<Plan>([](const Plan& p) {
             EXPECT_EQ(p.id, 2);
             EXPECT_EQ(p.traffic, 500.5);
             EXPECT_EQ(p.price, 30.0);
             EXPECT_EQ(p.tag, QStringLiteral("热门"));
             EXPECT_EQ(p.period, QStringLiteral("quarter"));
             EXPECT_EQ(p.features, QStringLiteral("a\nb"));
         })},
        {R"({"id": null, "name": "B", "traffic": 1, "price": 1, "nodes": 1, "devices": 1, "tag": null})", true,
         as<Plan>([](const Plan& p) {
             EXPECT_EQ(p.id, std::nullopt);
             EXPECT_EQ(p.tag, std::nullopt);
         })},
        {R"({"traffic": 1, "price": 1, "nodes": 1, "devices": 1})", false, as<Plan>()},
        {R"({"name": "B", "traffic": null, "price": 1, "nodes": 1, "devices": 1})", false, as<Plan>()},
        {R"({"name": "B", "traffic": 1, "price": "9.9", "nodes": 1, "devices": 1})", false, as<Plan>()},
        {R"({"name": "B", "traffic": 1, "price": 1, "nodes": 2.5, "devices": 1})", false, as<Plan>()},
        {R"({"name": "B", "traffic": 1, "price": 1, "nodes": 1, "devices": true})", false, as<Plan>()},
        {R"({"id": "2", "name": "B", "traffic": 1, "price": 1, "nodes": 1, "devices": 1})", false, as<Plan>()},
        {R"({"name": "B", "traffic": 1, "price": 1, "nodes": 1, "devices": 1, "period": 1})", false, as<Plan>()},

        {R"({"ok": true, "status": "activated"})", true, as<OrderCreateResult>([](const OrderCreateResult& o) {
             EXPECT_TRUE(o.ok);
             EXPECT_EQ(o.status, QStringLiteral("activated"));
             EXPECT_EQ(o.order_id, std::nullopt);
             EXPECT_EQ(o.out_trade_no, std::nullopt);
             EXPECT_EQ(o.amount, std::nullopt);
             EXPECT_EQ(o.original_amount, std::nullopt);
             EXPECT_EQ(o.discount_pct, std::nullopt);
             EXPECT_EQ(o.qr_b64, std::nullopt);
             EXPECT_EQ(o.pay_url, std::nullopt);
             EXPECT_EQ(o.usdt_address, std::nullopt);
             EXPECT_EQ(o.usdt_amount, std::nullopt);
             EXPECT_EQ(o.usdt_qr_b64, std::nullopt);
             EXPECT_EQ(o.msg, std::nullopt);
         })},
        {R"({"ok": true, "order_id": 42, "out_trade_no": "T42", "amount": 27, "original_amount": 30,
             "discount_pct": 10, "qr_b64": "iVBO", "pay_url": "https://127.0.0.1/pay", "usdt_address": "TXyz",
             "usdt_amount": 3.75, "usdt_qr_b64": "iVBP", "msg": null})",
         true, as<OrderCreateResult>([](const OrderCreateResult& o) {
             EXPECT_EQ(o.order_id, 42);
             EXPECT_EQ(o.out_trade_no, QStringLiteral("T42"));
             EXPECT_EQ(o.amount, 27.0);
             EXPECT_EQ(o.original_amount, 30.0);
             EXPECT_EQ(o.discount_pct, 10);
             EXPECT_EQ(o.qr_b64, QStringLiteral("iVBO"));
             EXPECT_EQ(o.pay_url, QStringLiteral("https://127.0.0.1/pay"));
             EXPECT_EQ(o.usdt_address, QStringLiteral("TXyz"));
             EXPECT_EQ(o.usdt_amount, 3.75);
             EXPECT_EQ(o.usdt_qr_b64, QStringLiteral("iVBP"));
             EXPECT_EQ(o.msg, std::nullopt);
             EXPECT_EQ(o.status, std::nullopt);
         })},
        {R"({"ok": false, "msg": "套餐不存在"})", true, as<OrderCreateResult>([](const OrderCreateResult& o) {
             EXPECT_FALSE(o.ok);
             EXPECT_EQ(o.msg, QStringLiteral("套餐不存在"));
         })},
        {R"({"order_id": 42})", false, as<OrderCreateResult>()},
        {R"({"ok": "true"})", false, as<OrderCreateResult>()},
        {R"({"ok": true, "order_id": "42"})", false, as<OrderCreateResult>()},
        {R"({"ok": true, "order_id": 42.5})", false, as<OrderCreateResult>()},
        {R"({"ok": true, "amount": "27"})", false, as<OrderCreateResult>()},
        {R"({"ok": true, "discount_pct": 15.5})", false, as<OrderCreateResult>()},

        {R"({"ok": true, "status": "paid", "plan_name": "Pro", "amount": 30, "msg": "m"})", true,
         as<OrderStatusResult>([](const OrderStatusResult& s) {
             EXPECT_EQ(s.status, QStringLiteral("paid"));
             EXPECT_EQ(s.plan_name, QStringLiteral("Pro"));
             EXPECT_EQ(s.amount, 30.0);
             EXPECT_EQ(s.msg, QStringLiteral("m"));
         })},
        {R"({"ok": true})", true, as<OrderStatusResult>([](const OrderStatusResult& s) {
             EXPECT_EQ(s.status, std::nullopt);
             EXPECT_EQ(s.plan_name, std::nullopt);
             EXPECT_EQ(s.amount, std::nullopt);
         })},
        {R"({"ok": 1, "status": "paid"})", false, as<OrderStatusResult>()},
        {R"({"ok": true, "amount": "30"})", false, as<OrderStatusResult>()},
        {R"({"ok": true, "status": 1})", false, as<OrderStatusResult>()},
    });
}

TEST(PlanRecords, EncodingKeepsWireOrder)
{
    runEncodeCases({
        {Plan{.name = QStringLiteral("Basic"), .traffic = 100, .price = 9.9, .nodes = 10, .devices = 3}.toJson(),
         R"({"name":"Basic","traffic":100,"price":9.9,"nodes":10,"devices":3})"},
        {Plan{.id = 2,
              .name = QStringLiteral("Pro"),
              .traffic = 500.5,
              .price = 30,
              .nodes = 20,
              .devices = 5,
              .tag = QStringLiteral("t"),
              .period = QStringLiteral("year"),
              .features = QStringLiteral("f")}
             .toJson(),
         R"({"id":2,"name":"Pro","traffic":500.5,"price":30,"nodes":20,"devices":5,"tag":"t","period":"year",)"
         R"("features":"f"})"},
        {OrderCreateResult{.ok = true,
                           .order_id = 42,
                           .out_trade_no = QStringLiteral("T42"),
                           .amount = 27,
                           .original_amount = 30,
                           .discount_pct = 10,
                           .qr_b64 = QStringLiteral("q"),
                           .pay_url = QStringLiteral("u"),
                           .usdt_address = QStringLiteral("a"),
                           .usdt_amount = 3.75,
                           .usdt_qr_b64 = QStringLiteral("uq"),
                           .msg = QStringLiteral("m"),
                           .status = QStringLiteral("pending")}
             .toJson(),
         R"({"ok":true,"order_id":42,"out_trade_no":"T42","amount":27,"original_amount":30,"discount_pct":10,)"
         R"("qr_b64":"q","pay_url":"u","usdt_address":"a","usdt_amount":3.75,"usdt_qr_b64":"uq","msg":"m",)"
         R"("status":"pending"})"},
        {OrderCreateResult{.ok = true, .status = QStringLiteral("activated")}.toJson(),
         R"({"ok":true,"status":"activated"})"},
        {OrderStatusResult{.ok = true,
                           .status = QStringLiteral("paid"),
                           .plan_name = QStringLiteral("Pro"),
                           .amount = 30,
                           .msg = QStringLiteral("m")}
             .toJson(),
         R"({"ok":true,"status":"paid","plan_name":"Pro","amount":30,"msg":"m"})"},
    });
}
