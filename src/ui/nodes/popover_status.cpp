#include "popover_status.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"
#include "ui/common/divider.h"
#include "ui/common/icons.h"
#include "ui/common/number_formats.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"
#include "ui/dashboard/dashboard_style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

bool connectedWithNode(const VpnConnection& vpn)
{
    return vpn.state() == ConnectionState::connected && vpn.connectedNode().has_value();
}

// The state light: a dot in the state's colour, ringed in green while connected.
class StateLight : public QWidget {
public:
    explicit StateLight(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(28, 28);
    }
    void setState(ConnectionState state)
    {
        m_state = state;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto& colors = Theme::of(this).palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        if (m_state == ConnectionState::connected) {
            painter.setPen(QPen(withOpacity(colors.green, 0.3), 3));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(centre, 12.5, 12.5);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.color(DashboardStyle::stateLightColor(m_state)));
        painter.drawEllipse(centre, 5, 5);
    }

private:
    ConnectionState m_state = ConnectionState::disconnected;
};

// A speed tile: the arrow in its colour over nothing, the rate over the label.
QWidget* makeSpeedTile(const QString& symbol, TextColor color, const QString& label, QLabel** rate, QWidget* parent)
{
    auto* tile = new QWidget(parent);
    auto* row = new QHBoxLayout(tile);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new SymbolView(symbol, 14, color, tile), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    *rate = makeLabel(QString(), TextStyle::Body, QFont::Medium, TextColor::Primary, tile);
    (*rate)->setFont(Theme::of(*rate).monospacedDigitFont(TextStyle::Body));
    (*rate)->setMinimumWidth(70);
    texts->addWidget(*rate);
    texts->addWidget(makeLabel(label, TextStyle::Caption, TextColor::Secondary, tile));
    row->addLayout(texts);
    return tile;
}

} // namespace

QuickConnectButton::QuickConnectButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("quickConnect"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void QuickConnectButton::refresh(const VpnConnection& vpn)
{
    m_state = vpn.state();
    const bool connected = m_state == ConnectionState::connected;
    m_title = i18n::tr(connected ? QStringLiteral("断开连接") : QStringLiteral("快速连接"));
    m_stateText = DashboardStyle::statusText(m_state);
    m_duration = connectedWithNode(vpn) ? VpnConnection::formatDuration(vpn.connectionDuration()) : QString();
    update();
}

QSize QuickConnectButton::sizeHint() const { return {296, 34 + 24}; }

void QuickConnectButton::paintEvent(QPaintEvent*)
{
    const auto& theme = Theme::of(this);
    const auto& colors = theme.palette();
    const bool connected = m_state == ConnectionState::connected;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(connected ? withOpacity(colors.green, 0.12) : withOpacity(colors.gray, 0.06));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);

    const QRectF circle(16, (height() - 34) / 2.0, 34, 34);
    painter.setBrush(connected ? colors.green : withOpacity(colors.gray, 0.18));
    painter.drawEllipse(circle);
    const QColor symbolColor = connected ? QColor(Qt::white) : colors.color(DashboardStyle::stateLightColor(m_state));
    const QRect symbol(int(circle.center().x()) - 9, int(circle.center().y()) - 9, 18, 18);
    painter.drawPixmap(symbol, Icons::pixmap(QStringLiteral("power"), symbolColor, 18, devicePixelRatioF()));

    const int left = int(circle.right()) + 10;
    int right = width() - 16;
    if (!m_duration.isEmpty()) {
        QFont mono = theme.monospacedDigitFont(TextStyle::Caption);
        painter.setFont(mono);
        painter.setPen(colors.secondaryText);
        const int w = QFontMetrics(mono).horizontalAdvance(m_duration);
        painter.drawText(QRect(right - w, 0, w + 1, height()), Qt::AlignRight | Qt::AlignVCenter, m_duration);
        right -= w + 10;
    }
    const QFont titleFont = theme.font(TextStyle::Body, QFont::DemiBold);
    const QFont captionFont = theme.font(TextStyle::Caption);
    const int titleHeight = QFontMetrics(titleFont).height();
    const int captionHeight = QFontMetrics(captionFont).height();
    const int top = (height() - titleHeight - captionHeight) / 2;
    painter.setFont(titleFont);
    painter.setPen(colors.text);
    painter.drawText(QRect(left, top, right - left, titleHeight), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    painter.setFont(captionFont);
    painter.setPen(colors.secondaryText);
    painter.drawText(QRect(left, top + titleHeight, right - left, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     m_stateText);
}

PopoverStatusCard::PopoverStatusCard(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 2, 16, 6);
    column->setSpacing(6);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    auto* light = new StateLight(this);
    m_light = light;
    top->addWidget(light, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_state = makeLabel(QString(), TextStyle::Body, QFont::Medium, TextColor::Primary, this);
    m_node = makeOneLineLabel(QString(), TextStyle::Caption, TextColor::Secondary, this);
    texts->addWidget(m_state);
    texts->addWidget(m_node);
    top->addLayout(texts);
    top->addStretch();
    m_duration = makeLabel(QString(), TextStyle::Body, TextColor::Secondary, this);
    m_duration->setFont(Theme::of(this).monospacedDigitFont(TextStyle::Body));
    top->addWidget(m_duration);
    column->addLayout(top);

    m_speeds = new QWidget(this);
    auto* speeds = new QHBoxLayout(m_speeds);
    speeds->setContentsMargins(0, 0, 0, 0);
    speeds->addWidget(makeSpeedTile(QStringLiteral("arrow.down"), TextColor::Blue, i18n::tr(QStringLiteral("下载")),
                                    &m_down, m_speeds));
    speeds->addStretch();
    speeds->addWidget(new Divider(32, m_speeds));
    speeds->addStretch();
    speeds->addWidget(makeSpeedTile(QStringLiteral("arrow.up"), TextColor::Orange, i18n::tr(QStringLiteral("上传")),
                                    &m_up, m_speeds));
    column->addWidget(m_speeds);

    m_totals = new QWidget(this);
    auto* totals = new QHBoxLayout(m_totals);
    totals->setContentsMargins(0, 0, 0, 0);
    auto* down = new SymbolLabel(QStringLiteral("rectangle.stack.fill"), QString(), TextStyle::Caption,
                                 TextColor::Secondary, m_totals);
    auto* up = new SymbolLabel(QStringLiteral("rectangle.stack"), QString(), TextStyle::Caption, TextColor::Secondary,
                               m_totals);
    m_downTotal = down->textLabel();
    m_upTotal = up->textLabel();
    totals->addWidget(down);
    totals->addStretch();
    totals->addWidget(up);
    column->addWidget(m_totals);
}

void PopoverStatusCard::refresh(const VpnConnection& vpn)
{
    const bool connected = vpn.state() == ConnectionState::connected;
    static_cast<StateLight*>(m_light)->setState(vpn.state());
    m_state->setText(DashboardStyle::statusText(vpn.state()));
    m_node->setVisible(connectedWithNode(vpn));
    m_node->setText(connectedWithNode(vpn) ? vpn.connectedNode()->name : QString());
    m_duration->setVisible(connected);
    m_duration->setText(connected ? VpnConnection::formatDuration(vpn.connectionDuration()) : QString());
    m_speeds->setVisible(connected);
    m_totals->setVisible(connected);
    if (!connected)
        return;
    m_down->setText(NumberFormat::speed(vpn.trafficSpeedDown()));
    m_up->setText(NumberFormat::speed(vpn.trafficSpeedUp()));
    m_downTotal->setText(NumberFormat::byteCount(vpn.trafficDown()));
    m_upTotal->setText(NumberFormat::byteCount(vpn.trafficUp()));
}
