#include "api/records/account_records.h"
#include "record_cases.h"

TEST(AccountRecords, Decoding)
{
    using Profile = UserProfileResponse;
    runDecodeCases({
        {R"({"ok": false})", true, as<Profile>([](const Profile& p) {
             EXPECT_FALSE(p.ok);
             EXPECT_EQ(p.email, std::nullopt);
             EXPECT_EQ(p.name, std::nullopt);
             EXPECT_EQ(p.plan, std::nullopt);
             EXPECT_EQ(p.expire, std::nullopt);
             EXPECT_EQ(p.trafficTotal, std::nullopt);
             EXPECT_EQ(p.trafficUsed, std::nullopt);
             EXPECT_EQ(p.inviteCode, std::nullopt);
             EXPECT_EQ(p.commission, std::nullopt);
             EXPECT_EQ(p.msg, std::nullopt);
         })},
        {R"({"ok": true, "email": "a@b.c", "name": "Ann", "plan": "Pro", "expire": "2030-01-02",
             "traffic_total": 100, "traffic_used": 12.5, "invite_code": "INV1", "commission": 3,
             "msg": "hello", "extra": [1, 2]})",
         true, as<Profile>([](const Profile& p) {
             EXPECT_TRUE(p.ok);
             EXPECT_EQ(p.email, QStringLiteral("a@b.c"));
             EXPECT_EQ(p.name, QStringLiteral("Ann"));
             EXPECT_EQ(p.plan, QStringLiteral("Pro"));
             EXPECT_EQ(p.expire, QStringLiteral("2030-01-02"));
             EXPECT_EQ(p.trafficTotal, 100.0);
             EXPECT_EQ(p.trafficUsed, 12.5);
             EXPECT_EQ(p.inviteCode, QStringLiteral("INV1"));
             EXPECT_EQ(p.commission, 3.0);
             EXPECT_EQ(p.msg, QStringLiteral("hello"));
         })},
        // Camel-case keys are other keys: ignored, the fields stay absent.
        {R"({"ok": true, "trafficTotal": 100, "inviteCode": "X"})", true, as<Profile>([](const Profile& p) {
             EXPECT_EQ(p.trafficTotal, std::nullopt);
             EXPECT_EQ(p.inviteCode, std::nullopt);
         })},
        {R"({"ok": true, "email": null, "commission": null})", true, as<Profile>([](const Profile& p) {
             EXPECT_EQ(p.email, std::nullopt);
             EXPECT_EQ(p.commission, std::nullopt);
         })},
        {R"({"email": "a@b.c", "plan": "Pro"})", false, as<Profile>()},
        {R"({"ok": null})", false, as<Profile>()},
        {R"({"ok": 1})", false, as<Profile>()},
        {R"({"ok": "true"})", false, as<Profile>()},
        {R"({"ok": true, "traffic_total": "100"})", false, as<Profile>()},
        {R"({"ok": true, "commission": true})", false, as<Profile>()},
        {R"({"ok": true, "email": 5})", false, as<Profile>()},
        {R"([{"ok": true}])", false, as<Profile>()},

        {R"({"ok": true, "version": "1.4.0", "url": "https://127.0.0.1/v.dmg", "force": true})", true,
         as<AppVersionResponse>([](const AppVersionResponse& v) {
             EXPECT_EQ(v.version, QStringLiteral("1.4.0"));
             EXPECT_EQ(v.downloadUrl, QStringLiteral("https://127.0.0.1/v.dmg"));
             EXPECT_EQ(v.force, true);
         })},
        {R"({"ok": true, "downloadUrl": "https://127.0.0.1/v.dmg", "force": false})", true,
         as<AppVersionResponse>([](const AppVersionResponse& v) {
             EXPECT_EQ(v.downloadUrl, std::nullopt);
             EXPECT_EQ(v.force, false);
         })},
        {R"({"ok": true, "force": 1})", false, as<AppVersionResponse>()},
        {R"({"version": "1.4.0"})", false, as<AppVersionResponse>()},

        {R"({"ok": true, "data": []})", true, as<AnnouncementsResponse>([](const AnnouncementsResponse& r) {
             ASSERT_TRUE(r.data.has_value());
             EXPECT_TRUE(r.data->isEmpty());
         })},
        {R"({"ok": true, "data": null})", true,
         as<AnnouncementsResponse>([](const AnnouncementsResponse& r) { EXPECT_FALSE(r.data.has_value()); })},
        {R"({"ok": false})", true, as<AnnouncementsResponse>([](const AnnouncementsResponse& r) {
             EXPECT_FALSE(r.ok);
             EXPECT_FALSE(r.data.has_value());
         })},
        {R"({"ok": true, "data": [
             {"id": 9, "title": "New", "content": "<p>x</p>", "created_at": "2024-05-01 10:00"},
             {"id": 3, "title": "Old", "content": "", "created_at": "2024-01-01"}]})",
         true, as<AnnouncementsResponse>([](const AnnouncementsResponse& r) {
             ASSERT_TRUE(r.data.has_value());
             ASSERT_EQ(r.data->size(), 2);
             EXPECT_EQ(r.data->at(0).id, 9);
             EXPECT_EQ(r.data->at(0).title, QStringLiteral("New"));
             EXPECT_EQ(r.data->at(0).content, QStringLiteral("<p>x</p>"));
             EXPECT_EQ(r.data->at(0).createdAt, QStringLiteral("2024-05-01 10:00"));
             EXPECT_EQ(r.data->at(1).id, 3);
         })},
        // One bad element fails the whole answer.
        {R"({"ok": true, "data": [{"id": 1, "title": "a", "content": "b", "created_at": "c"},
                                  {"id": 2, "title": "a", "content": "b"}]})",
         false, as<AnnouncementsResponse>()},
        {R"({"ok": true, "data": [{"id": 2, "title": "a", "content": "b", "createdAt": "c"}]})", false,
         as<AnnouncementsResponse>()},
        {R"({"ok": true, "data": [{"id": 2.5, "title": "a", "content": "b", "created_at": "c"}]})", false,
         as<AnnouncementsResponse>()},
        {R"({"ok": true, "data": [{"id": "2", "title": "a", "content": "b", "created_at": "c"}]})", false,
         as<AnnouncementsResponse>()},
        {R"({"ok": true, "data": [null]})", false, as<AnnouncementsResponse>()},
        {R"({"ok": true, "data": {}})", false, as<AnnouncementsResponse>()},
    });
}

TEST(AccountRecords, EncodingKeepsWireOrder)
{
    const Announcement first{.id = 9,
                             .title = QStringLiteral("T"),
                             .content = QStringLiteral("<b>c</b>"),
                             .createdAt = QStringLiteral("2024-05-01")};
    runEncodeCases({
        {UserProfileResponse{.ok = false}.toJson(), R"({"ok":false})"},
        {UserProfileResponse{.ok = true,
                             .email = QStringLiteral("a@b.c"),
                             .name = QStringLiteral("Ann"),
                             .plan = QStringLiteral("Pro"),
                             .expire = QStringLiteral("2030-01-02"),
                             .trafficTotal = 100.0,
                             .trafficUsed = 12.5,
                             .inviteCode = QStringLiteral("INV1"),
                             .commission = 3.25,
                             .msg = QStringLiteral("m")}
             .toJson(),
         R"({"ok":true,"email":"a@b.c","name":"Ann","plan":"Pro","expire":"2030-01-02","msg":"m",)"
         R"("traffic_total":100,"traffic_used":12.5,"invite_code":"INV1","commission":3.25})"},
        {UserProfileResponse{.ok = true, .plan = QStringLiteral("Pro"), .trafficUsed = 1.5}.toJson(),
         R"({"ok":true,"plan":"Pro","traffic_used":1.5})"},
        {AppVersionResponse{.ok = true,
                            .version = QStringLiteral("1.4.0"),
                            .downloadUrl = QStringLiteral("https://127.0.0.1/v.dmg"),
                            .force = false}
             .toJson(),
         R"({"ok":true,"version":"1.4.0","force":false,"url":"https://127.0.0.1/v.dmg"})"},
        {first.toJson(), R"({"id":9,"title":"T","content":"<b>c</b>","created_at":"2024-05-01"})"},
        {AnnouncementsResponse{.ok = true, .data = QList<Announcement>{first}}.toJson(),
         R"({"ok":true,"data":[{"id":9,"title":"T","content":"<b>c</b>","created_at":"2024-05-01"}]})"},
        {AnnouncementsResponse{.ok = true, .data = QList<Announcement>{}}.toJson(), R"({"ok":true,"data":[]})"},
        {AnnouncementsResponse{.ok = false}.toJson(), R"({"ok":false})"},
    });
}
