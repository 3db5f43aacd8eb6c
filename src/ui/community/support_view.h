#pragma once

#include "api/records/ticket_records.h"
#include "loading_sheet.h"
#include "ui/common/screen_timer.h"

#include <QHash>
#include <QList>

#include <chrono>
#include <optional>

class ApiService;
class Button;
class QLabel;
class QLineEdit;
class QStackedWidget;
class ScrollColumn;

// The support sheet: the user's tickets (list mode), or one ticket as a chat (conversation mode)
// whose messages are asked for again every 3 s while it is open. A new conversation has no ticket
// until its first message creates one.
//
// Answers are applied only to the conversation they were asked for, and never after a newer
// answer for it: a slow answer cannot replace what another ticket, or a later answer, shows. A
// message the service refuses or that cannot be sent goes back into the field with a notice. The
// refresh timer and every pending answer end with the sheet.
class SupportView : public LoadingSheet {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
        ScreenTimerFactory makeTimer = &SystemScreenTimer::make;
    };

    static constexpr std::chrono::milliseconds refreshInterval{3000};
    // The selection of a conversation whose ticket does not exist yet.
    static constexpr qint64 newConversation = -1;

    SupportView(Services services, QWidget* parent);

    const QList<Ticket>& tickets() const { return m_tickets; }
    // None: list mode; newConversation or a ticket id: conversation mode.
    const std::optional<qint64>& selectedTicketId() const { return m_selectedTicketId; }
    const QList<TicketMessage>& messages() const { return m_messages; }
    bool isConversationLoading() const { return m_conversationLoading; }
    bool isSending() const { return m_sending; }
    // The notice that the last message was not sent; none while there is nothing to tell.
    const std::optional<QString>& sendNotice() const { return m_sendNotice; }
    ScreenTimer* refreshTimer() const { return m_refreshTimer; }
    QLineEdit* inputField() const { return m_input; }
    Button* sendButton() const { return m_send; }
    ScrollColumn* messageArea() const { return m_messageArea; }

signals:
    // An answer for a conversation's messages was handled: applied, or dropped as stale.
    void conversationAnswered(qint64 ticketId);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    enum class Apply { always, whenCountChanges };

    // Loads the ticket list.
    void load() override;
    QWidget* loadedPage() override;
    void openTicket(qint64 id);
    void startNewConversation();
    void loadMessages(qint64 id);
    void send();
    void finishCreate(qint64 newId);
    // A message to `id` that was not sent: back into the field, or held until `id` is opened.
    void restoreUnsent(qint64 id, const QString& text);
    void takeBackUnsent(qint64 id);
    void putBackUnsent(const QString& text);
    void reloadAfterSend();
    void startPolling();
    void poll();
    void backToList();
    // Asks for ticket `id`'s messages and applies the answer under `rule`, if the conversation is
    // still that ticket's and no newer answer has been applied.
    // A fetch of a conversation's messages, as it was asked for.
    struct FetchedConversation {
        qint64 id;
        Apply rule;
        bool firstLoad;
        quint64 issued;
    };
    void fetchMessages(qint64 id, Apply rule, bool firstLoad);
    // The conversation's messages, or nothing when the fetch failed.
    void answerConversation(const FetchedConversation& fetch, const std::optional<QList<TicketMessage>>& messages);
    void setMessages(qint64 id, const QList<TicketMessage>& messages);

    void refresh();
    void refreshConversation();
    void refreshSendControls();
    void rebuildTicketRows();
    void rebuildMessages();
    void scrollToBottom();
    QWidget* buildListPage();
    QWidget* buildConversationPage();
    Button* newConversationButton(bool capsule, QWidget* parent);

    Services m_services;
    QList<Ticket> m_tickets;
    std::optional<qint64> m_selectedTicketId;
    QList<TicketMessage> m_messages;
    // The ticket whose messages `m_messages` holds.
    std::optional<qint64> m_messagesTicketId;
    bool m_conversationLoading = false;
    bool m_sending = false;
    std::optional<QString> m_sendNotice;
    // Unsent texts of conversations not on display, by ticket (or newConversation).
    QHash<qint64, QString> m_unsent;
    // Whether the message area keeps its newest message in view as its rows are laid out.
    bool m_followNewest = false;
    quint64 m_lastFetchIssued = 0;
    quint64 m_lastFetchApplied = 0;
    ScreenTimer* m_refreshTimer;

    QStackedWidget* m_modes;
    QWidget* m_emptyList;
    QWidget* m_ticketList;
    ScrollColumn* m_ticketRows;
    QWidget* m_conversation;
    QWidget* m_conversationHeader;
    QLayout* m_headerBadgeSlot;
    ScrollColumn* m_messageArea;
    QLabel* m_notice;
    QLineEdit* m_input;
    Button* m_send;
};
