// The community sheets over a service whose texts are hostile (markup, direction overrides, line
// breaks, 10,000 characters) or hold one word longer than the sheet is wide.
#include "community_world.h"
#include "outside_text.h"
#include "support/screenshot.h"
#include "ui/community/invite_view.h"
#include "ui/community/message_bubble.h"
#include "ui/community/support_view.h"
#include "ui/community/ticket_row.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QVBoxLayout>

namespace {

// Every field in `fields` shows under `sheet` on one line, and the sheet holds its content.
void expectShownOnOneLineWithin(const QWidget& sheet, const QStringList& fields)
{
    expectEveryLabelPlain(sheet);
    expectContentFitsItsWindow(sheet);
    expectOnlyHostileTextCut(sheet);
    for (const auto& field : fields) {
        SCOPED_TRACE(field.left(8).toStdString());
        const auto labels = labelsShowing(sheet, field);
        EXPECT_FALSE(labels.isEmpty());
        for (const auto* label : labels)
            expectOnOneLine(*label, field);
    }
}

} // namespace

TEST(CommunityOutsideText, TheInvitationsCodeUsersAndPlansStayOnOneLineWithinTheSheet)
{
    CommunityWorld world;
    auto& state = world.service.state();
    state.account.inviteCode = hostileText(QStringLiteral("code"));
    const QString email = hostileText(QStringLiteral("mail"));
    const QString joined = hostileText(QStringLiteral("joined"));
    const QString plan = hostileText(QStringLiteral("plan"));
    state.invitedUsers = {QJsonObject{{QStringLiteral("email"), email}, {QStringLiteral("created_at"), joined}}};
    auto record = state.commissions.first().toObject();
    record[QStringLiteral("plan_name")] = plan;
    state.commissions = {record};
    auto* sheet = openLoaded<InviteView>(world.window, {.api = *world.api});

    expectShownOnOneLineWithin(*sheet, {state.account.inviteCode, email, joined, plan});
    EXPECT_FALSE(saveScreenshot(*sheet, QStringLiteral("invite-hostile-fields")).isEmpty());
}

TEST(CommunityOutsideText, ATicketsSubjectStaysOnOneLineWithinTheList)
{
    CommunityWorld world;
    auto& ticket = world.service.state().tickets.first();
    ticket.subject = hostileText(QStringLiteral("subject"));
    auto* sheet = openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});

    expectShownOnOneLineWithin(*sheet, {ticket.subject});
    EXPECT_FALSE(saveScreenshot(*sheet, QStringLiteral("support-hostile-subject")).isEmpty());
}

TEST(CommunityOutsideText, AWordWiderThanTheBubbleBreaksInsideItAndTheUsersOwnBubbleStaysInView)
{
    CommunityWorld world;
    auto& ticket = world.service.state().tickets.first();
    const QString word = QStringLiteral("https://203.0.113.9/") + QString(400, QLatin1Char('W'));
    ticket.messages[1].content = QStringLiteral("请看 ") + word;
    ticket.messages[1].senderName = hostileText(QStringLiteral("sender"));
    auto* sheet = openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});
    for (auto* row : sheet->findChildren<TicketRow*>()) {
        if (row->ticketId() == ticket.id)
            row->click();
    }
    CommunityWorld::waitUntil([sheet] { return sheet->selectedTicketId() && !sheet->isConversationLoading(); });
    settle();

    expectEveryLabelPlain(*sheet);
    expectContentFitsItsWindow(*sheet);
    const auto bubbles = sheet->findChildren<MessageBubble*>();
    ASSERT_EQ(bubbles.size(), 3);
    for (const auto* bubble : bubbles) {
        const auto* text = bubble->findChild<TextLabel*>(QStringLiteral("bubble"));
        SCOPED_TRACE(text->text().left(20).toStdString());
        const QRect shown(text->mapTo(sheet, QPoint(0, 0)), text->size());
        EXPECT_GE(shown.left(), 0);
        EXPECT_LE(shown.right(), sheet->width());
        // The whole text fits the bubble's height at its width, the long word broken.
        EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    }
    const auto* reply = bubbles[1]->findChild<TextLabel*>(QStringLiteral("bubble"));
    EXPECT_GE(reply->height(), 4 * reply->fontMetrics().height()) << "the word is broken over lines";
    const auto* sender = bubbles[1]->findChild<TextLabel*>(QStringLiteral("sender"));
    ASSERT_TRUE(sender);
    expectOnOneLine(*sender, hostileText(QStringLiteral("sender")));
    EXPECT_FALSE(saveScreenshot(*sheet, QStringLiteral("support-chat-long-word")).isEmpty());
}

TEST(CommunityOutsideText, MarksStackedOnALetterStayOnItsLineInsideTheBubble)
{
    // A hundred marks under a letter of the first line and over one of the last: the middle line
    // and the bubble's padding are drawn as they are without them.
    const QString marked = QStringLiteral("a") + QString(100, QChar(0x0316)) + QStringLiteral("\nx\ne")
        + QString(100, QChar(0x0301));
    const QString plain = QStringLiteral("a\nx\ne");
    for (const bool mine : {false, true}) {
        SCOPED_TRACE(mine ? "the user's own" : "the staff's");
        struct Drawn {
            QImage image;
            QRect text; // the room the lines are drawn in
            QFontMetrics metrics{QFont()};
        };
        const auto draw = [mine](const QString& text) {
            QWidget window;
            auto* column = new QVBoxLayout(&window);
            column->addWidget(new MessageBubble({.content = text, .is_admin = mine ? 0 : 1}, &window));
            column->addStretch();
            window.resize(360, 300);
            window.show();
            settle();
            auto* bubble = window.findChild<TextLabel*>(QStringLiteral("bubble"));
            saveScreenshot(window, QStringLiteral("support-bubble-stacked-marks"));
            return Drawn{bubble->grab().toImage(), bubble->contentsRect(), bubble->fontMetrics()};
        };
        const Drawn without = draw(plain);
        const Drawn withMarks = draw(marked);
        ASSERT_EQ(withMarks.image.size(), without.image.size());
        // Three lines of the same height fill the room; the middle one lies a line below its top.
        const int line = withMarks.text.height() / 3;
        ASSERT_GE(line, withMarks.metrics.height());
        const auto rowsAlike = [&](int from, int to) {
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < without.image.width(); ++x) {
                    if (withMarks.image.pixel(x, y) != without.image.pixel(x, y))
                        return testing::AssertionFailure() << "differs at " << x << "," << y;
                }
            }
            return testing::AssertionSuccess();
        };
        const int top = withMarks.text.top();
        EXPECT_TRUE(rowsAlike(0, top)) << "above the text";
        EXPECT_TRUE(rowsAlike(top + line + 1, top + 2 * line - 1)) << "the middle line";
        EXPECT_TRUE(rowsAlike(withMarks.text.bottom() + 1, without.image.height())) << "below the text";
    }
}
