#include "api/records/ticket_records.h"
#include "record_cases.h"

TEST(TicketRecords, Decoding)
{
    runDecodeCases({
        {R"({"id": 7, "subject": "Slow", "last_msg": "still slow", "status": "waiting",
             "created_at": "2024-05-01 10:00:00", "updated_at": "2024-05-02 11:00:00"})",
         true, as<Ticket>([](const Ticket& t) {
             EXPECT_EQ(t.id, 7);
             EXPECT_EQ(t.subject, QStringLiteral("Slow"));
             EXPECT_EQ(t.last_msg, QStringLiteral("still slow"));
             EXPECT_EQ(t.status, QStringLiteral("waiting"));
             EXPECT_EQ(t.created_at, QStringLiteral("2024-05-01 10:00:00"));
             EXPECT_EQ(t.updated_at, QStringLiteral("2024-05-02 11:00:00"));
             EXPECT_EQ(t.creator_name, std::nullopt);
         })},
        {R"({"id": 7, "subject": "", "last_msg": "", "status": "open", "created_at": "c", "updated_at": "u",
             "creator_name": "Ann"})",
         true, as<Ticket>([](const Ticket& t) { EXPECT_EQ(t.creator_name, QStringLiteral("Ann")); })},
        {R"({"id": 7, "subject": "s", "status": "open", "created_at": "c", "updated_at": "u"})", false, as<Ticket>()},
        {R"({"id": 7, "subject": "s", "last_msg": "m", "status": "open", "created_at": "c"})", false, as<Ticket>()},
        {R"({"id": "7", "subject": "s", "last_msg": "m", "status": "open", "created_at": "c", "updated_at": "u"})",
         false, as<Ticket>()},
        {R"({"id": 7, "subject": "s", "last_msg": "m", "status": null, "created_at": "c", "updated_at": "u"})", false,
         as<Ticket>()},
        {R"({"id": 7, "subject": "s", "last_msg": "m", "status": "open", "created_at": "c", "updated_at": "u",
             "creator_name": 5})",
         false, as<Ticket>()},

        {R"({"id": 1, "ticket_id": 7, "user_id": 3, "content": "hi", "is_admin": 0, "created_at": "c"})", true,
         as<TicketMessage>([](const TicketMessage& m) {
             EXPECT_EQ(m.id, 1);
             EXPECT_EQ(m.ticket_id, 7);
             EXPECT_EQ(m.user_id, 3);
             EXPECT_EQ(m.content, QStringLiteral("hi"));
             EXPECT_EQ(m.created_at, QStringLiteral("c"));
             EXPECT_FALSE(m.isFromStaff());
             EXPECT_EQ(m.sender_name, std::nullopt);
         })},
        {R"({"id": 2, "ticket_id": 7, "user_id": 1, "content": "ok", "is_admin": 2, "created_at": "c",
             "sender_name": "Staff"})",
         true, as<TicketMessage>([](const TicketMessage& m) {
             EXPECT_TRUE(m.isFromStaff());
             EXPECT_EQ(m.sender_name, QStringLiteral("Staff"));
         })},
        {R"({"id": 2, "ticket_id": 7, "user_id": 1, "content": "ok", "is_admin": true, "created_at": "c"})", false,
         as<TicketMessage>()},
        {R"({"id": 2, "ticket_id": 7, "user_id": 1, "content": "ok", "is_admin": "1", "created_at": "c"})", false,
         as<TicketMessage>()},
        {R"({"id": 2, "ticket_id": 7.5, "user_id": 1, "content": "ok", "is_admin": 0, "created_at": "c"})", false,
         as<TicketMessage>()},
        {R"({"id": 2, "ticket_id": 7, "user_id": 1, "is_admin": 0, "created_at": "c"})", false, as<TicketMessage>()},
        {R"({"id": 2, "ticket_id": 7, "user_id": 1, "content": "ok", "is_admin": 0, "created_at": "c",
             "sender_name": false})",
         false, as<TicketMessage>()},
    });
}

TEST(TicketRecords, EncodingKeepsWireOrder)
{
    runEncodeCases({
        {Ticket{.id = 7,
                .subject = QStringLiteral("s"),
                .last_msg = QStringLiteral("m"),
                .status = QStringLiteral("open"),
                .created_at = QStringLiteral("c"),
                .updated_at = QStringLiteral("u")}
             .toJson(),
         R"({"id":7,"subject":"s","last_msg":"m","status":"open","created_at":"c","updated_at":"u"})"},
        {Ticket{.id = 7,
                .subject = QStringLiteral("s"),
                .last_msg = QStringLiteral("m"),
                .status = QStringLiteral("open"),
                .created_at = QStringLiteral("c"),
                .updated_at = QStringLiteral("u"),
                .creator_name = QStringLiteral("Ann")}
             .toJson(),
         R"({"id":7,"subject":"s","last_msg":"m","status":"open","created_at":"c","updated_at":"u",)"
         R"("creator_name":"Ann"})"},
        {TicketMessage{.id = 1,
                       .ticket_id = 7,
                       .user_id = 3,
                       .content = QStringLiteral("hi"),
                       .is_admin = 1,
                       .created_at = QStringLiteral("c"),
                       .sender_name = QStringLiteral("S")}
             .toJson(),
         R"({"id":1,"ticket_id":7,"user_id":3,"content":"hi","is_admin":1,"created_at":"c","sender_name":"S"})"},
    });
}
