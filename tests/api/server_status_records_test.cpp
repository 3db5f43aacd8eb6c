#include "api/records/server_status_records.h"
#include "record_cases.h"

#define STATUS_DATA                                                                                                    \
    R"("xray_running": true, "xray_uptime": "3d 4h", "xray_cpu": 7, "xray_mem": 31,)"                                  \
    R"( "panel_running": false, "server_uptime": "12 days", "load_avg": "0.10 0.20 0.30")"
#define INBOUND(id)                                                                                                    \
    R"({"id": )" #id R"(, "remark": "JP-)" #id R"(", "port": 443, "protocol": "vless", "enable": true,)"               \
    R"( "up": 1, "down": 2, "total": 3, "tag": "inbound-443", "clients": 4})"

TEST(ServerStatusRecords, Decoding)
{
    using Status = ServerStatusResponse;
    runDecodeCases({
        {R"({"ok": false})", true, as<Status>([](const Status& s) {
             EXPECT_FALSE(s.ok);
             EXPECT_FALSE(s.data.has_value());
         })},
        {R"({"ok": true, "data": null})", true, as<Status>([](const Status& s) { EXPECT_FALSE(s.data.has_value()); })},
        {R"({"ok": true, "data": {)" STATUS_DATA R"(}})", true, as<Status>([](const Status& s) {
             ASSERT_TRUE(s.data.has_value());
             EXPECT_TRUE(s.data->xray_running);
             EXPECT_EQ(s.data->xray_uptime, QStringLiteral("3d 4h"));
             EXPECT_EQ(s.data->xray_cpu, 7);
             EXPECT_EQ(s.data->xray_mem, 31);
             EXPECT_FALSE(s.data->panel_running);
             EXPECT_EQ(s.data->server_uptime, QStringLiteral("12 days"));
             EXPECT_EQ(s.data->load_avg, QStringLiteral("0.10 0.20 0.30"));
         })},
        {R"({"data": {)" STATUS_DATA R"(}})", false, as<Status>()},
        {R"({"ok": true, "data": {"xray_running": true}})", false, as<Status>()},
        {R"({"ok": true, "data": {"xray_running": true, "xray_uptime": "1h", "xray_cpu": 7.5, "xray_mem": 31,
             "panel_running": true, "server_uptime": "2d", "load_avg": "0.1"}})",
         false, as<Status>()},
        {R"({"ok": true, "data": {"xray_running": true, "xray_uptime": "1h", "xray_cpu": 7, "xray_mem": "31",
             "panel_running": true, "server_uptime": "2d", "load_avg": "0.1"}})",
         false, as<Status>()},
        {R"({"ok": true, "data": {"xray_running": 1, "xray_uptime": "1h", "xray_cpu": 7, "xray_mem": 31,
             "panel_running": true, "server_uptime": "2d", "load_avg": "0.1"}})",
         false, as<Status>()},
        {R"({"ok": true, "data": {"xray_running": true, "xray_uptime": "1h", "xray_cpu": 7, "xray_mem": 31,
             "panel_running": true, "server_uptime": "2d", "load_avg": 0.1}})",
         false, as<Status>()},
        {R"({"ok": true, "data": []})", false, as<Status>()},

        {R"({"ok": true})", true,
         as<InboundsResponse>([](const InboundsResponse& r) { EXPECT_FALSE(r.data.has_value()); })},
        {R"({"ok": false, "data": [)" INBOUND(1) "," INBOUND(2) R"(]})", true,
         as<InboundsResponse>([](const InboundsResponse& r) {
             EXPECT_FALSE(r.ok);
             ASSERT_TRUE(r.data.has_value());
             ASSERT_EQ(r.data->size(), 2);
             const auto& first = r.data->at(0);
             EXPECT_EQ(first.id, 1);
             EXPECT_EQ(first.remark, QStringLiteral("JP-1"));
             EXPECT_EQ(first.port, 443);
             EXPECT_EQ(first.proto, QStringLiteral("vless"));
             EXPECT_TRUE(first.enable);
             EXPECT_EQ(first.up, 1);
             EXPECT_EQ(first.down, 2);
             EXPECT_EQ(first.total, 3);
             EXPECT_EQ(first.tag, QStringLiteral("inbound-443"));
             EXPECT_EQ(first.clients, 4);
             EXPECT_EQ(r.data->at(1).id, 2);
         })},
        // Counters beyond 32 bits, up to the largest integer a double holds exactly and beyond.
        {R"({"ok": true, "data": [{"id": 1, "remark": "r", "port": 443, "protocol": "trojan", "enable": false,
             "up": 5000000000, "down": 1099511627776, "total": 9007199254740993, "tag": "t", "clients": 0}]})",
         true, as<InboundsResponse>([](const InboundsResponse& r) {
             ASSERT_TRUE(r.data.has_value());
             EXPECT_EQ(r.data->at(0).up, 5000000000LL);
             EXPECT_EQ(r.data->at(0).down, 1099511627776LL);
             EXPECT_EQ(r.data->at(0).total, 9007199254740993LL);
         })},
        {R"({"ok": true, "data": [{"id": 1, "remark": "r", "port": 443, "proto": "vless", "enable": true,
             "up": 1, "down": 2, "total": 3, "tag": "t", "clients": 4}]})",
         false, as<InboundsResponse>()},
        {R"({"ok": true, "data": [{"id": 1, "remark": "r", "port": "443", "protocol": "vless", "enable": true,
             "up": 1, "down": 2, "total": 3, "tag": "t", "clients": 4}]})",
         false, as<InboundsResponse>()},
        {R"({"ok": true, "data": [)" INBOUND(1) R"(, {"id": 2}]})", false, as<InboundsResponse>()},
        {R"({"data": [)" INBOUND(1) R"(]})", false, as<InboundsResponse>()},

        {R"({"ok": true, "data": {}})", true, as<ConnectionsResponse>([](const ConnectionsResponse& r) {
             ASSERT_TRUE(r.data.has_value());
             EXPECT_TRUE(r.data->isEmpty());
         })},
        {R"({"ok": true, "data": {"443": 12}})", true, as<ConnectionsResponse>([](const ConnectionsResponse& r) {
             ASSERT_TRUE(r.data.has_value());
             EXPECT_EQ(*r.data, (QMap<QString, qint64>{{QStringLiteral("443"), 12}}));
         })},
        {R"({"ok": false})", true,
         as<ConnectionsResponse>([](const ConnectionsResponse& r) { EXPECT_FALSE(r.data.has_value()); })},
        {R"({"ok": true, "data": {"443": 12, "80": 1.5}})", false, as<ConnectionsResponse>()},
        {R"({"ok": true, "data": {"443": "12"}})", false, as<ConnectionsResponse>()},
        {R"({"ok": true, "data": [12]})", false, as<ConnectionsResponse>()},
        {R"({"data": {}})", false, as<ConnectionsResponse>()},
    });
}

TEST(ServerStatusRecords, EncodingKeepsWireOrder)
{
    const InboundInfo inbound{.id = 3,
                              .remark = QStringLiteral("HK"),
                              .port = 8443,
                              .proto = QStringLiteral("vless"),
                              .enable = true,
                              .up = 5000000000LL,
                              .down = 2,
                              .total = 0,
                              .tag = QStringLiteral("in-8443"),
                              .clients = 9};
    runEncodeCases({
        {ServerStatusResponse{.ok = false}.toJson(), R"({"ok":false})"},
        {ServerStatusResponse{.ok = true,
                              .data = ServerStatusData{.xray_running = true,
                                                       .xray_uptime = QStringLiteral("1h"),
                                                       .xray_cpu = 5,
                                                       .xray_mem = 20,
                                                       .panel_running = true,
                                                       .server_uptime = QStringLiteral("2d"),
                                                       .load_avg = QStringLiteral("0.5")}}
             .toJson(),
         R"({"ok":true,"data":{"xray_running":true,"xray_uptime":"1h","xray_cpu":5,"xray_mem":20,)"
         R"("panel_running":true,"server_uptime":"2d","load_avg":"0.5"}})"},
        {InboundsResponse{.ok = true, .data = QList<InboundInfo>{inbound}}.toJson(),
         R"({"ok":true,"data":[{"id":3,"remark":"HK","port":8443,"protocol":"vless","enable":true,)"
         R"("up":5000000000,"down":2,"total":0,"tag":"in-8443","clients":9}]})"},
        {InboundsResponse{.ok = true}.toJson(), R"({"ok":true})"},
        {ConnectionsResponse{.ok = true, .data = QMap<QString, qint64>{{QStringLiteral("443"), 12}}}.toJson(),
         R"({"ok":true,"data":{"443":12}})"},
    });
}
