#include "api/records/community_records.h"
#include "record_cases.h"

#include <QSet>

TEST(CommunityRecords, Decoding)
{
    runDecodeCases({
        {R"({"ok": false})", true, as<InviteResponse>([](const InviteResponse& r) {
             EXPECT_FALSE(r.ok);
             EXPECT_EQ(r.invite_code, std::nullopt);
             EXPECT_EQ(r.invited_count, std::nullopt);
             EXPECT_EQ(r.commission_total, std::nullopt);
             EXPECT_EQ(r.commission_pending, std::nullopt);
             EXPECT_FALSE(r.invited_users.has_value());
             EXPECT_FALSE(r.commissions.has_value());
         })},
        {R"({"ok": true, "invited_users": null})", true, as<InviteResponse>([](const InviteResponse& r) {
             EXPECT_FALSE(r.invited_users.has_value());
             EXPECT_FALSE(r.commissions.has_value());
         })},
        {R"({"ok": true, "invite_code": "AB12", "invited_count": 3, "commission_total": 12,
             "commission_pending": 2.5,
             "invited_users": [{"email": "a@x.y", "created_at": "2024-01-01"},
                               {"email": "b@x.y", "created_at": "2024-01-02"},
                               {"email": "a@x.y", "created_at": "2024-01-01"}],
             "commissions": [{"id": 4, "amount": 5}, {"id": 5, "plan_name": "Pro", "amount": 1.5,
                              "rate": 0.1, "status": "paid", "created_at": "2024-02-01"}]})",
         true, as<InviteResponse>([](const InviteResponse& r) {
             EXPECT_EQ(r.invite_code, QStringLiteral("AB12"));
             EXPECT_EQ(r.invited_count, 3);
             EXPECT_EQ(r.commission_total, 12.0);
             EXPECT_EQ(r.commission_pending, 2.5);
             ASSERT_TRUE(r.invited_users.has_value());
             ASSERT_EQ(r.invited_users->size(), 3);
             EXPECT_EQ(r.invited_users->at(1).email, QStringLiteral("b@x.y"));
             EXPECT_EQ(r.invited_users->at(1).created_at, QStringLiteral("2024-01-02"));
             // Even identical entries are told apart.
             const QSet<quint64> ids{r.invited_users->at(0).id, r.invited_users->at(1).id, r.invited_users->at(2).id};
             EXPECT_EQ(ids.size(), 3);
             ASSERT_TRUE(r.commissions.has_value());
             ASSERT_EQ(r.commissions->size(), 2);
             const auto& plain = r.commissions->at(0);
             EXPECT_EQ(plain.id, 4);
             EXPECT_EQ(plain.amount, 5.0);
             EXPECT_EQ(plain.plan_name, std::nullopt);
             EXPECT_EQ(plain.rate, std::nullopt);
             EXPECT_EQ(plain.status, std::nullopt);
             EXPECT_EQ(plain.created_at, std::nullopt);
             const auto& full = r.commissions->at(1);
             EXPECT_EQ(full.plan_name, QStringLiteral("Pro"));
             EXPECT_EQ(full.amount, 1.5);
             EXPECT_EQ(full.rate, 0.1);
             EXPECT_EQ(full.status, QStringLiteral("paid"));
             EXPECT_EQ(full.created_at, QStringLiteral("2024-02-01"));
         })},
        {R"({"invite_code": "AB12"})", false, as<InviteResponse>()},
        {R"({"ok": true, "invited_users": [{"email": "a@x.y", "created_at": "d"}, {"email": "b@x.y"}]})", false,
         as<InviteResponse>()},
        {R"({"ok": true, "commissions": [{"id": 4}]})", false, as<InviteResponse>()},
        {R"({"ok": true, "commissions": [{"id": 4, "amount": "5"}]})", false, as<InviteResponse>()},
        {R"({"ok": true, "invited_count": 2.5})", false, as<InviteResponse>()},
        {R"({"ok": true, "commission_total": "12"})", false, as<InviteResponse>()},
        {R"({"ok": true, "invited_users": {}})", false, as<InviteResponse>()},

        {R"({"id": 1, "amount": 10})", true, as<WithdrawRecord>([](const WithdrawRecord& w) {
             EXPECT_EQ(w.id, 1);
             EXPECT_EQ(w.amount, 10.0);
             EXPECT_EQ(w.status, std::nullopt);
             EXPECT_EQ(w.note, std::nullopt);
             EXPECT_EQ(w.created_at, std::nullopt);
         })},
        {R"({"id": 2, "amount": 10.5, "status": null, "note": "alipay 123", "created_at": "2024-03-01"})", true,
         as<WithdrawRecord>([](const WithdrawRecord& w) {
             EXPECT_EQ(w.status, std::nullopt);
             EXPECT_EQ(w.note, QStringLiteral("alipay 123"));
             EXPECT_EQ(w.created_at, QStringLiteral("2024-03-01"));
         })},
        {R"({"id": 1})", false, as<WithdrawRecord>()},
        {R"({"amount": 10})", false, as<WithdrawRecord>()},
        {R"({"id": 1.5, "amount": 10})", false, as<WithdrawRecord>()},
        {R"({"id": 1, "amount": "10"})", false, as<WithdrawRecord>()},
        {R"({"id": 1, "amount": 10, "note": 5})", false, as<WithdrawRecord>()},

        {R"({"date": "2024-05-01", "used": 1})", true, as<TrafficLogEntry>([](const TrafficLogEntry& e) {
             EXPECT_EQ(e.date, QStringLiteral("2024-05-01"));
             EXPECT_EQ(e.used, 1.0);
         })},
        {R"({"date": "2024-05-01"})", false, as<TrafficLogEntry>()},
        {R"({"used": 0.25})", false, as<TrafficLogEntry>()},
        {R"({"date": "2024-05-01", "used": "1"})", false, as<TrafficLogEntry>()},
        {R"({"date": 20240501, "used": 1})", false, as<TrafficLogEntry>()},
    });
}

TEST(CommunityRecords, InvitedUserIdentityPerEntry)
{
    const InvitedUser a{.email = QStringLiteral("a@x.y"), .created_at = QStringLiteral("d")};
    const InvitedUser same{.email = QStringLiteral("a@x.y"), .created_at = QStringLiteral("d")};
    const InvitedUser copy = a;
    EXPECT_NE(a.id, same.id);
    EXPECT_EQ(a.id, copy.id);
}

TEST(CommunityRecords, EncodingKeepsWireOrder)
{
    runEncodeCases({
        {InviteResponse{.ok = false}.toJson(), R"({"ok":false})"},
        {InviteResponse{.ok = true,
                        .invite_code = QStringLiteral("AB12"),
                        .invited_count = 1,
                        .commission_total = 12.0,
                        .commission_pending = 2.5,
                        .invited_users
                        = QList<InvitedUser>{{.email = QStringLiteral("a@x.y"), .created_at = QStringLiteral("d")}},
                        .commissions = QList<CommissionRecord>{{.id = 4, .amount = 5.0}}}
             .toJson(),
         R"({"ok":true,"invite_code":"AB12","invited_count":1,"commission_total":12,"commission_pending":2.5,)"
         R"("invited_users":[{"email":"a@x.y","created_at":"d"}],"commissions":[{"id":4,"amount":5}]})"},
        {CommissionRecord{.id = 5,
                          .plan_name = QStringLiteral("Pro"),
                          .amount = 1.5,
                          .rate = 0.1,
                          .status = QStringLiteral("paid"),
                          .created_at = QStringLiteral("d")}
             .toJson(),
         R"({"id":5,"plan_name":"Pro","amount":1.5,"rate":0.1,"status":"paid","created_at":"d"})"},
        {WithdrawRecord{.id = 2, .amount = 10.5, .note = QStringLiteral("n")}.toJson(),
         R"({"id":2,"amount":10.5,"note":"n"})"},
        {WithdrawRecord{.id = 2,
                        .amount = 10,
                        .status = QStringLiteral("approved"),
                        .note = QStringLiteral("n"),
                        .created_at = QStringLiteral("d")}
             .toJson(),
         R"({"id":2,"amount":10,"status":"approved","note":"n","created_at":"d"})"},
        {TrafficLogEntry{.date = QStringLiteral("2024-05-01"), .used = 0.25}.toJson(),
         R"({"date":"2024-05-01","used":0.25})"},
    });
}
