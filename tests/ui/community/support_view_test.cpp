#include "community_world.h"

#include "support/minimised_window.h"
#include "ui/common/button.h"
#include "ui/common/icon_button.h"
#include "ui/common/load_state_view.h"
#include "ui/common/scroll_column.h"
#include "ui/common/sheet_frame.h"
#include "ui/community/message_bubble.h"
#include "ui/community/support_view.h"
#include "ui/community/ticket_row.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

QString messagesPath(qint64 ticketId) { return QStringLiteral("/api/tickets/%1/messages").arg(ticketId); }

QStringList contents(const QList<TicketMessage>& messages)
{
    QStringList texts;
    for (const auto& message : messages)
        texts << message.content;
    return texts;
}

} // namespace

// The support sheet against the stand-in service, its 3 s refresh fired by hand.
class SupportViewTest : public ::testing::Test {
protected:
    SupportView* openSheet()
    {
        return openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});
    }

    TicketRow* rowOf(SupportView* view, qint64 id)
    {
        for (auto* row : view->findChildren<TicketRow*>()) {
            if (row->ticketId() == id && row->isVisible())
                return row;
        }
        return nullptr;
    }

    void openTicket(SupportView* view, qint64 id)
    {
        auto* row = rowOf(view, id);
        ASSERT_NE(row, nullptr) << id;
        row->click();
        CommunityWorld::waitUntil([view] { return !view->isConversationLoading(); });
        settle();
    }

    // Adds a ticket with one message of the user's to the service.
    void addTicket(qint64 id, const QString& subject, const QString& status, const QString& message)
    {
        auto& state = world.service.state();
        StandInState::Ticket ticket{id, subject, status, StandInState::now(), StandInState::now(), {}};
        ticket.messages.append({id * 10, state.userId, message, false, StandInState::now(), state.account.name});
        state.tickets.append(ticket);
    }

    void typeAndSend(SupportView* view, const QString& text)
    {
        view->inputField()->setText(text);
        QTest::keyClick(view->inputField(), Qt::Key_Return);
    }

    // Waits until `count` answers for ticket `id` were handled.
    static void waitForAnswers(QSignalSpy& answers, int count)
    {
        CommunityWorld::waitUntil([&] { return answers.size() >= count; });
    }

    CommunityWorld world;
};

TEST_F(SupportViewTest, ListsTicketsWithSubjectBadgePreviewAndOpenTag)
{
    addTicket(8, QString(), QStringLiteral("waiting"), QStringLiteral("first line\nsecond line"));
    auto* view = openSheet();

    ASSERT_EQ(view->tickets().size(), 2);
    auto* untitled = rowOf(view, 8);
    ASSERT_NE(untitled, nullptr);
    EXPECT_EQ(untitled->findChild<QLabel*>(QStringLiteral("subject"))->text(), QStringLiteral("客服咨询"));
    EXPECT_EQ(untitled->findChild<QLabel*>(QStringLiteral("statusBadge"))->text(), QStringLiteral("已回复"));
    EXPECT_EQ(untitled->findChild<QLabel*>(QStringLiteral("preview"))->text(), QStringLiteral("first line"));
    EXPECT_NE(untitled->findChild<QLabel*>(QStringLiteral("openTag")), nullptr);
    auto* resolved = rowOf(view, 7);
    ASSERT_NE(resolved, nullptr);
    EXPECT_EQ(resolved->findChild<QLabel*>(QStringLiteral("statusBadge"))->text(), QStringLiteral("已解决"));
    EXPECT_EQ(resolved->findChild<QLabel*>(QStringLiteral("openTag")), nullptr);
    EXPECT_EQ(view->titleBar()->title(), QStringLiteral("在线客服"));
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("startChatButton"))->isVisible());
}

TEST_F(SupportViewTest, EmptyListOffersItsOwnNewConversationButton)
{
    world.service.state().tickets.clear();
    auto* view = openSheet();
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("emptyTickets"))->isVisible());
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("startChatCapsule"))->isVisible());
}

TEST_F(SupportViewTest, FailedListLoadShowsRetryAndRetryLoadsAgain)
{
    world.answer(QStringLiteral("/api/tickets"), 200, "not json", "GET");
    auto* view = openSheet();
    EXPECT_EQ(view->loadError(), QStringLiteral("加载失败，请重试"));
    EXPECT_TRUE(view->states()->isShowingError());

    world.service.clearOverrides();
    view->states()->retryButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    EXPECT_FALSE(view->loadError().has_value());
    EXPECT_EQ(view->tickets().size(), 1);
}

TEST_F(SupportViewTest, OpeningATicketShowsItsChatAndRefreshesEveryThreeSeconds)
{
    auto* view = openSheet();
    openTicket(view, 7);

    EXPECT_EQ(view->selectedTicketId(), 7);
    EXPECT_EQ(view->titleBar()->title(), QStringLiteral("客服会话"));
    EXPECT_TRUE(view->titleBar()->backButton()->isVisible());
    ASSERT_EQ(view->messages().size(), 3);
    const auto bubbles = view->findChildren<MessageBubble*>();
    ASSERT_EQ(bubbles.size(), 3);
    EXPECT_TRUE(bubbles[0]->isMine());
    EXPECT_FALSE(bubbles[1]->isMine());
    EXPECT_EQ(bubbles[1]->findChild<QLabel*>(QStringLiteral("sender"))->text(), QStringLiteral("客服小薇"));
    EXPECT_EQ(bubbles[0]->findChild<QLabel*>(QStringLiteral("sender")), nullptr);
    auto* timer = world.lastTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(timer->isRepeating());
    EXPECT_EQ(timer->interval(), 3000ms);

    // A staff reply appears at the next tick, without anything done by the user.
    QSignalSpy answers(view, &SupportView::conversationAnswered);
    auto& state = world.service.state();
    state.findTicket(7)->messages.append(
        {900, 1, QStringLiteral("还有问题吗？"), true, StandInState::now(), QString()});
    timer->fire();
    waitForAnswers(answers, 1);
    ASSERT_EQ(view->messages().size(), 4);
    EXPECT_EQ(view->messages().last().content, QStringLiteral("还有问题吗？"));

    // An edit that keeps the number of messages is not picked up by the refresh.
    state.findTicket(7)->messages.last().content = QStringLiteral("edited");
    timer->fire();
    waitForAnswers(answers, 2);
    EXPECT_EQ(view->messages().last().content, QStringLiteral("还有问题吗？"));

    view->titleBar()->backButton()->click();
    EXPECT_FALSE(view->selectedTicketId().has_value());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(view->titleBar()->title(), QStringLiteral("在线客服"));
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    EXPECT_NE(rowOf(view, 7), nullptr);
}

TEST_F(SupportViewTest, AMinimisedConversationKeepsTakingInRepliesUntilClosed)
{
    auto* view = openSheet();
    openTicket(view, 7);
    auto* timer = world.lastTimer();
    ASSERT_NE(timer, nullptr);
    const auto listLoads = world.service.requestsTo(QStringLiteral("/api/tickets")).size();

    minimiseWindow(*view);
    ASSERT_TRUE(view->isMinimized());
    EXPECT_TRUE(timer->isActive());
    QSignalSpy answers(view, &SupportView::conversationAnswered);
    world.service.state().findTicket(7)->messages.append(
        {901, 1, QStringLiteral("已为您处理"), true, StandInState::now(), QString()});
    timer->fire();
    waitForAnswers(answers, 1);
    ASSERT_FALSE(view->messages().isEmpty());
    EXPECT_EQ(view->messages().last().content, QStringLiteral("已为您处理"));

    // Back on screen, the same conversation goes on; nothing is loaded again for the return.
    restoreWindow(*view);
    settle();
    EXPECT_EQ(view->selectedTicketId(), 7);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/tickets")).size(), listLoads);

    view->close();
    EXPECT_FALSE(timer->isActive()) << "a closed sheet asks no more";
}

TEST_F(SupportViewTest, SendsTheTrimmedTextAndShowsItOnceTheServiceHasIt)
{
    auto* view = openSheet();
    openTicket(view, 7);
    world.service.clearRequests();
    QSignalSpy answers(view, &SupportView::conversationAnswered);

    view->inputField()->setText(QStringLiteral("   \n  "));
    EXPECT_FALSE(view->sendButton()->isEnabled());
    QTest::keyClick(view->inputField(), Qt::Key_Return);
    EXPECT_FALSE(view->isSending());

    view->inputField()->setText(QStringLiteral("  still slow  tonight "));
    EXPECT_TRUE(view->sendButton()->isEnabled());
    view->sendButton()->click();
    EXPECT_TRUE(view->isSending());
    EXPECT_TRUE(view->inputField()->text().isEmpty());
    waitForAnswers(answers, 1);

    const auto posts = world.service.requestsTo(messagesPath(7));
    ASSERT_GE(posts.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(posts.first().body).object().value(QStringLiteral("content")).toString(),
              QStringLiteral("still slow  tonight"));
    EXPECT_FALSE(view->isSending());
    EXPECT_TRUE(contents(view->messages()).contains(QStringLiteral("still slow  tonight")));
    EXPECT_FALSE(view->sendNotice().has_value());
}

TEST_F(SupportViewTest, AnUnsentMessageStaysWithItsOwnTicket)
{
    addTicket(8, QStringLiteral("另一个问题"), QStringLiteral("open"), QStringLiteral("hello"));
    // Ticket 7 refuses messages; the refusal takes long enough for the user to open ticket 8.
    world.service.state().findTicket(7)->status = QStringLiteral("closed");
    world.delayAnswers(messagesPath(7), 2000ms, 1, "POST");
    auto* view = openSheet();
    openTicket(view, 7);
    typeAndSend(view, QStringLiteral("for ticket seven"));
    ASSERT_TRUE(view->isSending());
    view->titleBar()->backButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    openTicket(view, 8);
    ASSERT_TRUE(view->isSending()) << "the refusal for ticket 7 is still on its way";

    CommunityWorld::waitUntil([view] { return !view->isSending(); });
    EXPECT_EQ(view->selectedTicketId(), 8);
    EXPECT_TRUE(view->inputField()->text().isEmpty()) << "nothing of ticket 7 waits to go to ticket 8";
    EXPECT_FALSE(view->sendNotice().has_value());

    // Back in ticket 7, its text waits to be sent again, with the notice.
    view->titleBar()->backButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    openTicket(view, 7);
    EXPECT_EQ(view->inputField()->text(), QStringLiteral("for ticket seven"));
    EXPECT_EQ(view->sendNotice(), QStringLiteral("消息未发送，请重试"));

    // Put back once: the user deletes it, and it does not come back at the next opening.
    view->inputField()->clear();
    view->titleBar()->backButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    openTicket(view, 7);
    EXPECT_TRUE(view->inputField()->text().isEmpty()) << view->inputField()->text().toStdString();
}

TEST_F(SupportViewTest, ReopeningAConversationShowsItsNewestMessage)
{
    auto& messages = world.service.state().findTicket(7)->messages;
    for (int i = 0; i < 30; ++i)
        messages.append({1000 + i, 1, QStringLiteral("回复 %1").arg(i), true, StandInState::now(), QString()});
    auto* view = openSheet();
    auto* bar = view->messageArea()->verticalScrollBar();
    const auto atNewest = [bar] { return bar->maximum() > 0 && bar->value() == bar->maximum(); };
    openTicket(view, 7);
    CommunityWorld::waitUntil(atNewest);
    ASSERT_TRUE(atNewest());

    // Read back to the start, left, and opened again with as many messages as before.
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    ASSERT_EQ(bar->value(), 0);
    view->titleBar()->backButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    openTicket(view, 7);
    CommunityWorld::waitUntil(atNewest);
    EXPECT_TRUE(atNewest());
}

TEST_F(SupportViewTest, ARefusedMessageKeepsItsTextAndSaysItWasNotSent)
{
    world.service.state().findTicket(7)->status = QStringLiteral("closed");
    auto* view = openSheet();
    openTicket(view, 7);
    const auto before = view->messages();

    typeAndSend(view, QStringLiteral("are you there?"));
    CommunityWorld::waitUntil([view] { return !view->isSending(); });

    EXPECT_EQ(view->inputField()->text(), QStringLiteral("are you there?"));
    EXPECT_EQ(view->sendNotice(), QStringLiteral("消息未发送，请重试"));
    EXPECT_TRUE(view->findChild<QLabel*>(QStringLiteral("sendNotice"))->isVisible());
    EXPECT_EQ(contents(view->messages()), contents(before));

    // A message that never reaches the service is kept the same way, in front of newer typing.
    world.service.state().findTicket(7)->status = QStringLiteral("open");
    world.dropAnswers(messagesPath(7));
    typeAndSend(view, QStringLiteral("hello?"));
    view->inputField()->setText(QStringLiteral("and more"));
    CommunityWorld::waitUntil([view] { return !view->isSending(); });
    EXPECT_EQ(view->inputField()->text(), QStringLiteral("hello? and more"));
    EXPECT_EQ(view->sendNotice(), QStringLiteral("消息未发送，请重试"));
}

TEST_F(SupportViewTest, ReturnWhileAMessageIsOnItsWaySendsNothingMore)
{
    auto* view = openSheet();
    openTicket(view, 7);
    world.service.clearRequests();
    world.delayAnswers(messagesPath(7), 400ms, 1, "POST");

    typeAndSend(view, QStringLiteral("one"));
    ASSERT_TRUE(view->isSending());
    typeAndSend(view, QStringLiteral("two"));
    typeAndSend(view, QStringLiteral("two"));
    CommunityWorld::waitUntil([view] { return !view->isSending(); });

    int posts = 0;
    for (const auto& request : world.service.requestsTo(messagesPath(7)))
        posts += request.method == "POST" ? 1 : 0;
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(view->inputField()->text(), QStringLiteral("two"));
}

TEST_F(SupportViewTest, TheFirstMessageOfANewConversationCreatesTheTicket)
{
    world.service.state().tickets.clear();
    auto* view = openSheet();
    view->findChild<QPushButton*>(QStringLiteral("startChatCapsule"))->click();
    EXPECT_EQ(view->selectedTicketId(), SupportView::newConversation);
    EXPECT_TRUE(world.lastTimer()->isActive());
    EXPECT_FALSE(view->findChild<QWidget*>(QStringLiteral("conversationHeader"))->isVisible());

    typeAndSend(view, QStringLiteral("  How do I renew?  "));
    CommunityWorld::waitUntil([view] { return view->selectedTicketId() >= 1 && !view->messages().isEmpty(); });

    const auto created = world.service.requestsTo(QStringLiteral("/api/tickets"));
    ASSERT_EQ(created.size(), 2); // the list, then the creation
    const auto body = QJsonDocument::fromJson(created.last().body).object();
    EXPECT_EQ(body.value(QStringLiteral("subject")).toString(), QString());
    EXPECT_EQ(body.value(QStringLiteral("content")).toString(), QStringLiteral("How do I renew?"));
    ASSERT_EQ(world.service.state().tickets.size(), 1);
    EXPECT_EQ(view->selectedTicketId(), world.service.state().tickets.first().id);
    EXPECT_EQ(view->messages().first().content, QStringLiteral("How do I renew?"));
}

TEST_F(SupportViewTest, ATicketCreatedWithoutAnIdIsNotFollowedBySendsToTicketZero)
{
    auto* view = openSheet();
    view->findChild<QPushButton*>(QStringLiteral("startChatButton"))->click();
    world.answer(QStringLiteral("/api/tickets"), 200, R"({"ok":true})", "POST");
    world.service.clearRequests();

    typeAndSend(view, QStringLiteral("first question"));
    CommunityWorld::waitUntil([view] { return !view->isSending() && !view->selectedTicketId() && !view->isLoading(); });

    // Back to the list, which is loaded again; nothing is sent to or asked of ticket 0.
    EXPECT_FALSE(world.lastTimer()->isActive());
    world.lastTimer()->fire();
    typeAndSend(view, QStringLiteral("second question"));
    settle();
    EXPECT_TRUE(world.service.requestsTo(messagesPath(0)).isEmpty());
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/tickets")).size(), 2); // the creation, the list
}

TEST_F(SupportViewTest, ASlowAnswerForOneTicketNeverReplacesAnothersConversation)
{
    addTicket(8, QStringLiteral("账单问题"), QStringLiteral("open"), QStringLiteral("发票怎么开？"));
    auto* view = openSheet();
    QSignalSpy answers(view, &SupportView::conversationAnswered);
    world.delayAnswers(messagesPath(7), 600ms, 1, "GET");

    ASSERT_NE(rowOf(view, 7), nullptr);
    rowOf(view, 7)->click();
    view->titleBar()->backButton()->click();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    openTicket(view, 8);
    // Both answers handled: ticket 8's at once, ticket 7's late.
    CommunityWorld::waitUntil(
        [&] { return answers.size() >= 2 && world.service.requestsTo(messagesPath(7)).size() == 1; });
    waitForAnswers(answers, 2);

    EXPECT_EQ(view->selectedTicketId(), 8);
    EXPECT_EQ(contents(view->messages()), QStringList{QStringLiteral("发票怎么开？")});
    for (auto* bubble : view->findChildren<MessageBubble*>())
        EXPECT_EQ(bubble->findChild<QLabel*>(QStringLiteral("bubble"))->text(), QStringLiteral("发票怎么开？"));
}

TEST_F(SupportViewTest, AnOlderAnswerNeverReplacesANewerOne)
{
    auto* view = openSheet();
    openTicket(view, 7);
    QSignalSpy answers(view, &SupportView::conversationAnswered);
    auto& ticket = *world.service.state().findTicket(7);

    // A slow refresh sees four messages; the send's reload, asked later, sees six and comes first.
    ticket.messages.append({901, 1, QStringLiteral("staff"), true, StandInState::now(), QString()});
    world.delayAnswers(messagesPath(7), 800ms, 1, "GET");
    world.service.clearRequests();
    world.lastTimer()->fire();
    CommunityWorld::waitUntil([&] { return !world.service.requestsTo(messagesPath(7)).isEmpty(); });
    typeAndSend(view, QStringLiteral("newer"));
    waitForAnswers(answers, 2);

    ASSERT_EQ(view->messages().size(), 6);
    EXPECT_EQ(view->messages()[4].content, QStringLiteral("newer"));
}

TEST_F(SupportViewTest, TextFromTheServiceIsShownAsPlainText)
{
    const QString markup = QStringLiteral("<b>bold</b> <a href=\"file:///etc/passwd\">open</a> <img src=\"x\">");
    addTicket(8, markup, QStringLiteral("open"), markup);
    auto* view = openSheet();
    EXPECT_EQ(rowOf(view, 8)->findChild<QLabel*>(QStringLiteral("subject"))->text(), markup);
    openTicket(view, 8);
    auto* bubble = view->findChild<MessageBubble*>()->findChild<QLabel*>(QStringLiteral("bubble"));
    EXPECT_EQ(bubble->text(), markup);
    EXPECT_EQ(bubble->textFormat(), Qt::PlainText);
    EXPECT_FALSE(bubble->openExternalLinks());
    for (auto* label : view->findChildren<QLabel*>()) {
        if (label->text().contains(QLatin1String("<b>"))) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << qPrintable(label->objectName());
        }
    }
}

TEST_F(SupportViewTest, ClosingMidRequestEndsTheTimerAndDropsTheAnswer)
{
    auto* view = openSheet();
    openTicket(view, 7);
    QPointer<ManualTimer> timer = world.lastTimer();
    world.delayAnswers(messagesPath(7), 300ms);
    timer->fire();
    typeAndSend(view, QStringLiteral("bye"));

    QPointer<SupportView> sheet = view;
    view->titleBar()->closeButton()->click();
    EXPECT_FALSE(timer->isActive());
    settle();
    EXPECT_TRUE(sheet.isNull());
    EXPECT_TRUE(timer.isNull());
    // The answers arrive after the sheet has gone and touch nothing: a request asked once the
    // message has reached the service, with the same delay, ends after them.
    CommunityWorld::waitUntil([&] {
        const auto requests = world.service.requestsTo(messagesPath(7));
        return std::any_of(requests.begin(), requests.end(),
                           [](const auto& request) { return request.method == "POST"; });
    });
    EXPECT_EQ(QCoro::waitFor(world.api->fetchTicketMessages(7)).size(), 5);
    settle();
}
