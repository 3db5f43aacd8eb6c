#include "connection_card.h"

#include "app/app_state.h"
#include "block_notice.h"
#include "connection/vpn_connection.h"
#include "dashboard_style.h"
#include "platform/text_table.h"
#include "proxy_info_view.h"
#include "ui/common/row_button.h"
#include "ui/common/spinner.h"
#include "ui/common/status_dot.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {

QColor faded(const QWidget* widget, TextColor role, qreal alpha)
{
    QColor color = Theme::of(widget).palette().color(role);
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

} // namespace

// The large state light: a faint disc with a solid dot in a ring, or a spinner while connecting.
class ConnectionCard::StatusDisc : public QWidget {
public:
    explicit StatusDisc(QWidget* parent)
        : QWidget(parent)
        , m_spinner(new Spinner(29, this))
    {
        setFixedSize(88, 88);
        m_spinner->move((88 - 29) / 2, (88 - 29) / 2);
        m_spinner->hide();
        connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
    }

    void setState(ConnectionState state)
    {
        m_color = DashboardStyle::statusColor(state);
        m_spinner->setVisible(state == ConnectionState::connecting);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        painter.setPen(Qt::NoPen);
        painter.setBrush(faded(this, m_color, 0.12));
        painter.drawEllipse(centre, 44, 44);
        if (m_spinner->isVisible())
            return;
        painter.setBrush(Theme::of(this).palette().color(m_color));
        painter.drawEllipse(centre, 14, 14);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(faded(this, m_color, 0.3), 4));
        painter.drawEllipse(centre, 26, 26);
    }

private:
    Spinner* m_spinner;
    TextColor m_color = TextColor::Secondary;
};

// The dot of the connect button: a faint circle with a solid smaller one, red or green.
class ConnectionCard::ButtonDot : public QWidget {
public:
    explicit ButtonDot(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(8, 8);
    }

    void setColor(TextColor color)
    {
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QPointF centre = QRectF(rect()).center();
        painter.setBrush(faded(this, m_color, 0.2));
        painter.drawEllipse(centre, 4, 4);
        painter.setBrush(Theme::of(this).palette().color(m_color));
        painter.drawEllipse(centre, 2.5, 2.5);
    }

private:
    TextColor m_color = TextColor::Green;
};

ConnectionCard::ConnectionCard(VpnConnection& connection, AppState& appState, QWidget* parent)
    : ModernCard(Qt::AlignHCenter, 16, parent)
    , m_connection(connection)
    , m_appState(appState)
{
    m_disc = new StatusDisc(this);
    addRow(m_disc);
    m_stateText = makeLabel(QString(), TextStyle::Title3, QFont::DemiBold, TextColor::Primary, this);
    addRow(m_stateText);

    m_nodeRow = new QWidget(this);
    auto* nodeColumn = new QVBoxLayout(m_nodeRow);
    nodeColumn->setContentsMargins(0, 0, 0, 0);
    auto* nodeLine = new QHBoxLayout;
    m_flag = makeLabel(QString(), TextStyle::Title3, TextColor::Primary, m_nodeRow);
    m_nodeName = makeOneLineLabel(QString(), TextStyle::Subheadline, TextColor::Secondary, m_nodeRow);
    nodeLine->addWidget(m_flag);
    nodeLine->addWidget(m_nodeName);
    nodeColumn->addLayout(nodeLine);
    m_latencyRow = new QWidget(m_nodeRow);
    auto* latencyLine = new QHBoxLayout(m_latencyRow);
    latencyLine->setContentsMargins(0, 0, 0, 0);
    m_latencyDot = new StatusDot(6, m_latencyRow);
    m_latencyText = makeLabel(QString(), TextStyle::Caption, TextColor::Secondary, m_latencyRow);
    m_latencyText->setFont(Theme::of(this).monospacedDigitFont(TextStyle::Caption));
    latencyLine->addWidget(m_latencyDot);
    latencyLine->addWidget(m_latencyText);
    nodeColumn->addWidget(m_latencyRow, 0, Qt::AlignHCenter);
    addRow(m_nodeRow);

    m_button = new RowButton(Button::Style::Prominent, this);
    m_button->setObjectName(QStringLiteral("connectButton"));
    m_button->row()->setContentsMargins(0, 10, 0, 10);
    m_button->row()->setSpacing(8);
    m_buttonDot = new ButtonDot(m_button);
    m_buttonText = makeLabel(QString(), TextStyle::Body, QFont::DemiBold, TextColor::Primary, m_button);
    m_buttonText->setStyleSheet(QStringLiteral("color: ") + Theme::of(this).palette().onAccent.name());
    m_button->addStretch();
    m_button->addPart(m_buttonDot, 0, Qt::AlignVCenter);
    m_button->addPart(m_buttonText, 0, Qt::AlignVCenter);
    m_button->addStretch();
    connect(m_button, &QPushButton::clicked, this, &ConnectionCard::toggleRequested);
    addWideRow(m_button);

    m_signInWarning
        = new SymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), i18n::tr(QStringLiteral("请先在设置中登录")),
                          TextStyle::Caption, TextColor::Orange, this);
    addRow(m_signInWarning);

    m_blockNotice = new BlockNotice(connection, this);
    addRow(m_blockNotice);

    m_proxyInfo = new ProxyInfoView(connection, this);
    addWideRow(m_proxyInfo);

    refresh();
}

void ConnectionCard::refresh()
{
    const auto state = m_connection.state();
    const bool connected = state == ConnectionState::connected;
    const bool signedIn = m_appState.isLoggedIn();

    m_disc->setState(state);
    m_stateText->setText(DashboardStyle::statusText(state));

    const auto node = m_connection.connectedNode();
    m_nodeRow->setVisible(connected && node);
    if (connected && node) {
        m_flag->setText(node->regionEmoji());
        m_nodeName->setText(node->name);
        m_latencyRow->setVisible(node->delay.has_value());
        if (node->delay) {
            m_latencyDot->setColor(DashboardStyle::latencyColor(*node->delay));
            m_latencyText->setText(QString::number(*node->delay) + QStringLiteral(" ms"));
        }
    }

    m_buttonDot->setColor(connected ? TextColor::Red : TextColor::Green);
    m_buttonText->setText(connected ? i18n::tr(QStringLiteral("断开连接")) : i18n::tr(QStringLiteral("连接 VPN")));
    m_button->setAccessibleName(m_buttonText->text());
    m_button->setTint(connected ? std::optional(TextColor::Red) : std::nullopt);
    m_button->setEnabled(state != ConnectionState::connecting && signedIn);

    m_signInWarning->setVisible(!signedIn);
    m_proxyInfo->setVisible(connected && m_connection.isProxyRunning());
}
