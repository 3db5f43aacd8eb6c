#include "support_view.h"

#include "api/api_service.h"
#include "message_bubble.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "status_badge.h"
#include "ticket_row.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/load_state_view.h"
#include "ui/common/scroll_column.h"
#include "ui/common/spinner.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const Ticket* findTicket(const QList<Ticket>& tickets, qint64 id)
{
    const auto at
        = std::find_if(tickets.begin(), tickets.end(), [id](const Ticket& ticket) { return ticket.id == id; });
    return at == tickets.end() ? nullptr : &*at;
}

bool isExistingTicket(const std::optional<qint64>& id) { return id && *id >= 1; }

} // namespace

SupportView::SupportView(Services services, QWidget* parent)
    : LoadingSheet(i18n::tr(QStringLiteral("在线客服")), QSize(460, 540), parent)
    , m_services(std::move(services))
    , m_refreshTimer(m_services.makeTimer(this))
{
    setObjectName(QStringLiteral("supportView"));
    connect(titleBar(), &SheetTitleBar::backClicked, this, &SupportView::backToList);
    connect(m_refreshTimer, &ScreenTimer::timeout, this, &SupportView::poll);
    m_modes = new QStackedWidget(this);
    m_modes->addWidget(buildListPage());
    m_modes->addWidget(buildConversationPage());
    body()->addWidget(m_modes);
    refresh();
}

void SupportView::hideEvent(QHideEvent* event)
{
    // Minimised, the conversation keeps taking in staff replies; closed, it stops asking.
    if (!event->spontaneous())
        m_refreshTimer->stop();
    LoadingSheet::hideEvent(event);
}

QWidget* SupportView::buildListPage()
{
    m_emptyList = new QWidget(states());
    m_emptyList->setObjectName(QStringLiteral("emptyTickets"));
    auto* empty = new QVBoxLayout(m_emptyList);
    empty->setSpacing(10);
    empty->addStretch();
    auto* symbol = new SymbolView(QStringLiteral("bubble.left.and.bubble.right"), 40, TextColor::Tertiary, m_emptyList);
    empty->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* hint = makeLabel(i18n::tr(QStringLiteral("还没有会话，有问题随时联系客服")), TextStyle::Caption,
                           TextColor::Secondary, m_emptyList);
    hint->setAlignment(Qt::AlignCenter);
    empty->addWidget(hint);
    empty->addWidget(newConversationButton(true, m_emptyList), 0, Qt::AlignHCenter);
    empty->addStretch();

    states()->addPage(m_emptyList);

    m_ticketList = new QWidget(states());
    m_ticketList->setObjectName(QStringLiteral("ticketList"));
    auto* list = new QVBoxLayout(m_ticketList);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    m_ticketRows = new ScrollColumn(Spacing::s, QMargins(Spacing::m, Spacing::m, Spacing::m, Spacing::m), m_ticketList);
    list->addWidget(m_ticketRows, 1);
    list->addWidget(new Divider(m_ticketList));
    auto* bottom = new QVBoxLayout;
    bottom->setContentsMargins(Spacing::m, Spacing::m, Spacing::m, Spacing::m);
    bottom->addWidget(newConversationButton(false, m_ticketList));
    list->addLayout(bottom);
    states()->addPage(m_ticketList);
    return states();
}

Button* SupportView::newConversationButton(bool capsule, QWidget* parent)
{
    auto* button = new Button(i18n::tr(QStringLiteral("发起客服咨询")), Button::Style::Prominent, parent);
    button->setObjectName(capsule ? QStringLiteral("startChatCapsule") : QStringLiteral("startChatButton"));
    button->setSymbol(QStringLiteral("plus"));
    button->setFont(Theme::of(this).font(TextStyle::Body, QFont::Medium));
    if (!capsule) {
        button->setControlSize(Button::Size::Large);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    connect(button, &QPushButton::clicked, this, &SupportView::startNewConversation);
    return button;
}

QWidget* SupportView::buildConversationPage()
{
    m_conversation = new QWidget(this);
    m_conversation->setObjectName(QStringLiteral("conversation"));
    auto* column = new QVBoxLayout(m_conversation);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_conversationHeader = new QWidget(m_conversation);
    m_conversationHeader->setObjectName(QStringLiteral("conversationHeader"));
    m_conversationHeader->setAutoFillBackground(true);
    auto* header = new QHBoxLayout(m_conversationHeader);
    header->setContentsMargins(Spacing::m, 6, Spacing::m, 6);
    header->setSpacing(Spacing::s);
    m_headerBadgeSlot = new QHBoxLayout;
    header->addLayout(m_headerBadgeSlot);
    auto* note = makeLabel(i18n::tr(QStringLiteral("会话记录已同步到管理端，管理员回复后会实时显示")),
                           TextStyle::Caption2, TextColor::Secondary, m_conversationHeader);
    note->setWordWrap(true);
    header->addWidget(note, 1);
    column->addWidget(m_conversationHeader);

    m_messageArea = new ScrollColumn(10, QMargins(Spacing::m, Spacing::m, Spacing::m, Spacing::m), m_conversation);
    m_messageArea->setObjectName(QStringLiteral("messageArea"));
    // The rows are laid out after they are added, and the range grows as they are: the newest
    // message stays in view until the user scrolls.
    auto* scrollBar = m_messageArea->verticalScrollBar();
    connect(scrollBar, &QScrollBar::rangeChanged, this, [this, scrollBar](int, int maximum) {
        if (m_followNewest)
            scrollBar->setValue(maximum);
    });
    connect(scrollBar, &QAbstractSlider::actionTriggered, this, [this] { m_followNewest = false; });
    column->addWidget(m_messageArea, 1);
    column->addWidget(new Divider(m_conversation));

    m_notice = makeLabel(QString(), TextStyle::Caption, TextColor::Red, m_conversation);
    m_notice->setObjectName(QStringLiteral("sendNotice"));
    m_notice->setContentsMargins(Spacing::m, Spacing::s, Spacing::m, 0);
    m_notice->hide();
    column->addWidget(m_notice);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(Spacing::m, Spacing::m, Spacing::m, Spacing::m);
    bar->setSpacing(Spacing::s);
    m_input = makeTextField(m_conversation);
    m_input->setObjectName(QStringLiteral("messageField"));
    m_input->setPlaceholderText(i18n::tr(QStringLiteral("输入消息...")));
    connect(m_input, &QLineEdit::returnPressed, this, &SupportView::send);
    connect(m_input, &QLineEdit::textChanged, this, &SupportView::refreshSendControls);
    bar->addWidget(m_input, 1);
    m_send = new Button(QString(), Button::Style::Prominent, m_conversation);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setSymbol(QStringLiteral("paperplane.fill"));
    connect(m_send, &QPushButton::clicked, this, &SupportView::send);
    bar->addWidget(m_send);
    column->addLayout(bar);
    return m_conversation;
}

void SupportView::load()
{
    beginLoad();
    whileAlive(
        this, m_services.api.fetchMyTickets(),
        [this](const QList<Ticket>& tickets) {
            m_tickets = tickets;
            rebuildTicketRows();
            endLoad(std::nullopt);
            refresh();
        },
        [this](const std::exception&) { endLoad(i18n::tr(QStringLiteral("加载失败，请重试"))); });
}

QWidget* SupportView::loadedPage() { return m_tickets.isEmpty() ? m_emptyList : m_ticketList; }

void SupportView::openTicket(qint64 id)
{
    m_selectedTicketId = id;
    takeBackUnsent(id);
    loadMessages(id);
    startPolling();
    refresh();
}

void SupportView::startNewConversation()
{
    m_selectedTicketId = newConversation;
    takeBackUnsent(newConversation);
    m_messages.clear();
    m_messagesTicketId = newConversation;
    rebuildMessages();
    startPolling();
    refresh();
}

void SupportView::loadMessages(qint64 id)
{
    // Another ticket's messages never stand under this one's header.
    m_conversationLoading = true;
    if (m_messagesTicketId != id) {
        m_messages.clear();
        m_messagesTicketId = id;
        rebuildMessages();
    }
    fetchMessages(id, Apply::always, true);
}

void SupportView::fetchMessages(qint64 id, Apply rule, bool firstLoad)
{
    const auto issued = ++m_lastFetchIssued;
    const FetchedConversation fetch{id, rule, firstLoad, issued};
    whileAlive(
        this, m_services.api.fetchTicketMessages(id),
        [this, fetch](const QList<TicketMessage>& messages) { answerConversation(fetch, messages); },
        [this, fetch](const std::exception&) { answerConversation(fetch, std::nullopt); });
}

void SupportView::answerConversation(const FetchedConversation& fetch,
                                     const std::optional<QList<TicketMessage>>& messages)
{
    const auto id = fetch.id;
    const bool current = m_selectedTicketId == id;
    const bool endsFirstLoad = fetch.firstLoad && current && m_conversationLoading;
    if (endsFirstLoad)
        m_conversationLoading = false;
    if (messages && current && fetch.issued > m_lastFetchApplied
        && (fetch.rule == Apply::always || messages->size() != m_messages.size())) {
        m_lastFetchApplied = fetch.issued;
        setMessages(id, *messages);
    } else if (endsFirstLoad) {
        rebuildMessages();
    }
    // An opened conversation starts at its newest message, also when it is the one shown before
    // with as many messages.
    if (endsFirstLoad)
        scrollToBottom();
    refreshSendControls();
    emit conversationAnswered(id);
}

void SupportView::setMessages(qint64 id, const QList<TicketMessage>& messages)
{
    const bool countChanged = messages.size() != m_messages.size();
    m_messages = messages;
    m_messagesTicketId = id;
    rebuildMessages();
    if (countChanged)
        scrollToBottom();
}

void SupportView::send()
{
    const auto text = m_input->text().trimmed();
    // One send at a time: Return while a message is on its way sends nothing.
    if (text.isEmpty() || !m_selectedTicketId || m_sending)
        return;
    const qint64 id = *m_selectedTicketId;
    if (id != newConversation && id < 1)
        return;
    m_sending = true;
    m_sendNotice.reset();
    m_input->clear();
    refreshSendControls();
    if (id == newConversation) {
        whileAlive(
            this, m_services.api.createTicket(QString(), text), [this](qint64 newId) { finishCreate(newId); },
            [this, text](const std::exception&) { restoreUnsent(newConversation, text); });
        return;
    }
    whileAlive(
        this, m_services.api.sendTicketMessage(id, text),
        [this] {
            m_sending = false;
            reloadAfterSend();
            refreshSendControls();
        },
        [this, id, text](const std::exception&) { restoreUnsent(id, text); });
}

void SupportView::finishCreate(qint64 newId)
{
    m_sending = false;
    const bool stillNew = m_selectedTicketId == newConversation;
    if (newId < 1) {
        // The service took the message but named no ticket: there is none to write to or follow
        // here. The list, loaded again, shows the new ticket to open.
        if (stillNew)
            backToList();
        else
            refreshSendControls();
        return;
    }
    if (stillNew) {
        m_selectedTicketId = newId;
        reloadAfterSend();
    } else if (!m_selectedTicketId) {
        // Back in the list meanwhile: the list may have been loaded before the ticket existed.
        load();
    }
    refresh();
}

void SupportView::restoreUnsent(qint64 id, const QString& text)
{
    m_sending = false;
    // The unsent text stays with its own conversation: the field is shared by all of them, and
    // while another one is open it would go to the wrong ticket.
    if (m_selectedTicketId == id) {
        putBackUnsent(text);
    } else {
        auto& held = m_unsent[id];
        held = held.isEmpty() ? text : text + QLatin1Char(' ') + held;
    }
    refreshSendControls();
}

void SupportView::takeBackUnsent(qint64 id)
{
    const auto held = m_unsent.take(id);
    if (!held.isEmpty())
        putBackUnsent(held);
}

void SupportView::putBackUnsent(const QString& text)
{
    // In front of anything typed meanwhile: nothing typed is lost.
    const auto typed = m_input->text();
    m_input->setText(typed.isEmpty() ? text : text + QLatin1Char(' ') + typed);
    m_sendNotice = i18n::tr(QStringLiteral("消息未发送，请重试"));
}

void SupportView::reloadAfterSend()
{
    if (isExistingTicket(m_selectedTicketId))
        fetchMessages(*m_selectedTicketId, Apply::always, false);
}

void SupportView::startPolling() { m_refreshTimer->start(refreshInterval, true); }

void SupportView::poll()
{
    if (isExistingTicket(m_selectedTicketId))
        fetchMessages(*m_selectedTicketId, Apply::whenCountChanges, false);
}

void SupportView::backToList()
{
    m_selectedTicketId.reset();
    m_conversationLoading = false;
    m_sendNotice.reset();
    m_refreshTimer->stop();
    refresh();
    load();
}

void SupportView::refresh()
{
    const bool conversation = m_selectedTicketId.has_value();
    titleBar()->setBackVisible(conversation);
    titleBar()->setTitle(i18n::tr(conversation ? QStringLiteral("客服会话") : QStringLiteral("在线客服")));
    m_modes->setCurrentIndex(conversation ? 1 : 0);
    showLoadState();
    refreshConversation();
}

void SupportView::refreshConversation()
{
    refreshSendControls();
    const Ticket* ticket = m_selectedTicketId ? findTicket(m_tickets, *m_selectedTicketId) : nullptr;
    m_conversationHeader->setVisible(ticket != nullptr);
    while (auto* item = m_headerBadgeSlot->takeAt(0)) {
        if (auto* widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    if (ticket) {
        auto* badge = new StatusBadge(StatusLooks::ticket(ticket->status), m_conversationHeader);
        badge->setObjectName(QStringLiteral("statusBadge"));
        m_headerBadgeSlot->addWidget(badge);
    }
}

void SupportView::refreshSendControls()
{
    m_notice->setText(m_sendNotice.value_or(QString()));
    m_notice->setVisible(m_sendNotice.has_value());
    m_send->setBusy(m_sending);
    m_send->setSymbol(m_sending ? QString() : QStringLiteral("paperplane.fill"));
    m_send->setEnabled(!m_sending && !m_input->text().trimmed().isEmpty());
}

void SupportView::rebuildTicketRows()
{
    m_ticketRows->clear();
    for (const auto& ticket : m_tickets) {
        auto* row = new TicketRow(ticket, m_ticketRows->content());
        const auto id = ticket.id;
        connect(row, &QAbstractButton::clicked, this, [this, id] { openTicket(id); });
        m_ticketRows->column()->addWidget(row);
    }
    m_ticketRows->column()->addStretch();
}

void SupportView::rebuildMessages()
{
    m_messageArea->clear();
    auto* column = m_messageArea->column();
    if (m_conversationLoading && m_messages.isEmpty())
        column->addWidget(new Spinner(20, m_messageArea->content()), 0, Qt::AlignHCenter);
    for (const auto& message : m_messages)
        column->addWidget(new MessageBubble(message, m_messageArea->content()));
    column->addStretch();
}

void SupportView::scrollToBottom()
{
    m_followNewest = true;
    auto* bar = m_messageArea->verticalScrollBar();
    bar->setValue(bar->maximum());
}
