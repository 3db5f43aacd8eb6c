#pragma once

#include "api/records/ticket_records.h"

#include <QLabel>
#include <QWidget>

// One message of a support conversation: the user's own on the right in the accent colour with
// the time below; the staff's on the left on the card colour with the sender's name ("客服"
// when absent) and the time below. The content is plain text.
class MessageBubble : public QWidget {
    Q_OBJECT
public:
    explicit MessageBubble(const TicketMessage& message, QWidget* parent = nullptr);

    bool isMine() const { return m_mine; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_mine;
    QLabel* m_bubble;
};
