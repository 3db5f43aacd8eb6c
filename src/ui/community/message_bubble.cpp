#include "message_bubble.h"

#include "community_text.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int sideRoom = 60;
constexpr qreal cornerRadius = 14;

// The message text on its rounded fill.
class BubbleText : public TextLabel {
public:
    BubbleText(const QString& text, bool mine, QWidget* parent)
        : TextLabel(text, parent)
        , m_mine(mine)
    {
        setObjectName(QStringLiteral("bubble"));
        // Drawn by the label itself, which breaks a word wider than the bubble inside it and keeps
        // marks stacked on a letter on that letter's line (text the user could select would be
        // laid out by the toolkit, which lets both run out of the bubble).
        setWordWrap(true);
        setFont(Theme::of(this).font(TextStyle::Body));
        setContentsMargins(Spacing::m, Spacing::s, Spacing::m, Spacing::s);
        if (mine)
            setStyleSheet(QStringLiteral("color: %1;").arg(Theme::of(this).palette().onAccent.name()));
    }

    // As wide as the longest line of the text, up to the room the row leaves; as high as the
    // text wraps at that width.
    QSize sizeHint() const override
    {
        const auto margins = contentsMargins();
        int longest = 0;
        for (const auto& line : text().split(QLatin1Char('\n')))
            longest = std::max(longest, fontMetrics().horizontalAdvance(line));
        const int width = std::min(longest + margins.left() + margins.right() + 1, maximumWidth());
        return {width, heightForWidth(width)};
    }
    // The bubble narrows with its row: the width the row allows is its maximum width.
    QSize minimumSizeHint() const override { return {sideRoom, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const auto& palette = Theme::of(this).palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_mine ? palette.accent : palette.card);
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.end();
        TextLabel::paintEvent(event);
    }

private:
    bool m_mine;
};

} // namespace

MessageBubble::MessageBubble(const TicketMessage& message, QWidget* parent)
    : QWidget(parent)
    , m_mine(!message.isFromStaff())
{
    setObjectName(QStringLiteral("messageBubble"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const Qt::Alignment side = m_mine ? Qt::AlignRight : Qt::AlignLeft;
    if (m_mine)
        row->addSpacing(sideRoom);
    auto* column = new QVBoxLayout;
    column->setSpacing(Spacing::xs);
    m_bubble = new BubbleText(message.content, m_mine, this);
    column->addWidget(m_bubble, 0, side);
    auto* meta = new QHBoxLayout;
    meta->setSpacing(Spacing::xs);
    if (!m_mine) {
        auto* sender = makeOneLineLabel(message.sender_name.value_or(QStringLiteral("客服")), TextStyle::Caption2,
                                        TextColor::Secondary, this);
        sender->setObjectName(QStringLiteral("sender"));
        meta->addWidget(sender);
    }
    auto* time
        = makeLabel(CommunityText::messageTime(message.created_at), TextStyle::Caption2, TextColor::Secondary, this);
    time->setObjectName(QStringLiteral("time"));
    meta->addWidget(time);
    column->addLayout(meta);
    column->setAlignment(meta, side);
    row->addLayout(column, 1);
    if (!m_mine)
        row->addSpacing(sideRoom);
}

void MessageBubble::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int room = std::max(sideRoom, event->size().width() - sideRoom);
    if (m_bubble->maximumWidth() != room) {
        m_bubble->setMaximumWidth(room);
        m_bubble->updateGeometry();
    }
}
