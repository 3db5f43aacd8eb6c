#pragma once

#include "api/records/ticket_records.h"

#include <QAbstractButton>

// One ticket of the support list, a button over its whole area: the subject (or "客服咨询" when
// empty) with the status badge, the preview of the latest message, and the short date of the
// last change with "未完结" while the ticket is open.
class TicketRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit TicketRow(const Ticket& ticket, QWidget* parent = nullptr);

    qint64 ticketId() const { return m_ticketId; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qint64 m_ticketId;
};
