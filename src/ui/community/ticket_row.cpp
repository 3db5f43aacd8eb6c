#include "ticket_row.h"

#include "community_text.h"
#include "platform/text_table.h"
#include "status_badge.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr qreal cornerRadius = 10;

} // namespace

TicketRow::TicketRow(const Ticket& ticket, QWidget* parent)
    : QAbstractButton(parent)
    , m_ticketId(ticket.id)
{
    setObjectName(QStringLiteral("ticketRow"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Spacing::m, Spacing::m, Spacing::m, Spacing::m);
    column->setSpacing(Spacing::xs);

    auto* top = new QHBoxLayout;
    const bool untitled = ticket.subject.isEmpty();
    auto* subject = untitled
        ? makeLabel(i18n::tr(QStringLiteral("客服咨询")), TextStyle::Body, TextColor::Primary, this)
        : makeOneLineLabel(ticket.subject, TextStyle::Body, TextColor::Primary, this);
    subject->setObjectName(QStringLiteral("subject"));
    subject->setFont(Theme::of(this).font(TextStyle::Body, QFont::DemiBold));
    subject->setSizePolicy(QSizePolicy::Ignored, subject->sizePolicy().verticalPolicy());
    top->addWidget(subject, 1);
    auto* badge = new StatusBadge(StatusLooks::ticket(ticket.status), this);
    badge->setObjectName(QStringLiteral("statusBadge"));
    top->addWidget(badge);
    column->addLayout(top);

    auto* preview = makeWrappedLabel(CommunityText::ticketPreview(ticket.last_msg), TextStyle::Caption,
                                     TextColor::Secondary, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setMaximumHeight(preview->fontMetrics().lineSpacing() * 2 + 2);
    column->addWidget(preview);

    auto* bottom = new QHBoxLayout;
    // Made from the service's text, which need not be a date: one line, giving way to the tag.
    auto* date = makeOneLineLabel(CommunityText::ticketShortDate(ticket.updated_at), TextStyle::Caption2,
                                  TextColor::Secondary, this);
    date->setObjectName(QStringLiteral("date"));
    bottom->addWidget(date);
    bottom->addStretch();
    if (StatusLooks::ticketIsOpen(ticket.status)) {
        auto* open = makeLabel(i18n::tr(QStringLiteral("未完结")), TextStyle::Caption2, TextColor::Orange, this);
        open->setObjectName(QStringLiteral("openTag"));
        bottom->addWidget(open);
    }
    column->addLayout(bottom);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

QSize TicketRow::sizeHint() const { return layout()->sizeHint(); }

void TicketRow::paintEvent(QPaintEvent*)
{
    const auto& palette = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(isDown() ? palette.controlHover : palette.card);
    QColor stroke = palette.secondaryText;
    stroke.setAlphaF(0.15);
    painter.setPen(QPen(stroke, 1));
    painter.drawRoundedRect(panel, cornerRadius, cornerRadius);
}
