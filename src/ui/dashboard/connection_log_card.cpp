#include "connection_log_card.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"
#include "ui/common/divider.h"
#include "ui/common/row_button.h"
#include "ui/common/scroll_column.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QFont sizedFont(const QWidget* label, int pixelSize, bool monospacedDigits)
{
    const auto& theme = Theme::of(label);
    QFont font = monospacedDigits ? theme.monospacedDigitFont(TextStyle::Caption2) : theme.font(TextStyle::Caption2);
    font.setPixelSize(pixelSize);
    return font;
}

// The tinted badge of the node an entry concerns.
QLabel* nodeBadge(const QString& name, QWidget* parent)
{
    auto* badge = makeOneLineLabel(name, TextStyle::Caption2, TextColor::Primary, parent);
    badge->setObjectName(QStringLiteral("nodeBadge"));
    badge->setFont(sizedFont(badge, 9, false));
    const QColor accent = Theme::of(badge).palette().accent;
    QColor tint = accent;
    tint.setAlphaF(0.1);
    badge->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 3px; padding: 0 4px; }")
                             .arg(accent.name(QColor::HexArgb), tint.name(QColor::HexArgb)));
    return badge;
}

QWidget* entryRow(const ConnectionLogEntry& entry, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 2, 0, 2);
    line->setSpacing(8);

    auto* symbolFrame = new QWidget(row);
    symbolFrame->setFixedWidth(14);
    auto* symbolBox = new QVBoxLayout(symbolFrame);
    symbolBox->setContentsMargins(0, 2, 0, 0);
    symbolBox->addWidget(new SymbolView(ConnectionLogCard::symbolFor(entry.type), 10,
                                        ConnectionLogCard::colorFor(entry.type), symbolFrame),
                         0, Qt::AlignHCenter | Qt::AlignTop);
    line->addWidget(symbolFrame, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    auto* first = new QHBoxLayout;
    first->setSpacing(6);
    auto* time
        = makeLabel(ConnectionLogCard::timeText(entry.timestamp), TextStyle::Caption2, TextColor::Secondary, row);
    time->setObjectName(QStringLiteral("time"));
    time->setFont(sizedFont(time, 9, true));
    first->addWidget(time);
    if (entry.nodeName)
        first->addWidget(nodeBadge(*entry.nodeName, row));
    first->addStretch();
    column->addLayout(first);
    auto* message = makeLabel(entry.message, TextStyle::Caption, TextColor::Primary, row);
    message->setObjectName(QStringLiteral("message"));
    message->setFont(sizedFont(message, 11, false));
    message->setWordWrap(true);
    column->addWidget(message);
    line->addLayout(column, 1);
    return row;
}

} // namespace

ConnectionLogCard::ConnectionLogCard(VpnConnection& connection, QWidget* parent)
    : ModernCard(Qt::AlignHCenter, 0, parent)
    , m_connection(connection)
{
    m_header = new RowButton(Button::Style::Plain, this);
    m_header->setObjectName(QStringLiteral("logHeader"));
    m_header->addPart(new SymbolLabel(QStringLiteral("text.alignleft"), i18n::tr(QStringLiteral("连接日志")),
                                      TextStyle::Headline, TextColor::Accent, m_header),
                      0, Qt::AlignVCenter);
    m_header->addStretch();
    m_chevron = new SymbolView(QStringLiteral("chevron.down"), 11, TextColor::Secondary, m_header);
    m_header->addPart(m_chevron, 0, Qt::AlignVCenter);
    connect(m_header, &QPushButton::clicked, this, [this] { setExpanded(!m_expanded); });
    addWideRow(m_header);

    m_body = new QWidget(this);
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 8, 0, 0);
    body->setSpacing(0);
    m_list = new QScrollArea(m_body);
    makeSeeThrough(m_list);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    body->addWidget(m_list);
    m_clear = new Button(i18n::tr(QStringLiteral("清空日志")), Button::Style::Plain, m_body);
    m_clear->setSymbol(QStringLiteral("trash"));
    m_clear->setTint(TextColor::Secondary);
    m_clear->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_clear, &QPushButton::clicked, this, [this] { m_connection.clearConnectionLog(); });
    body->addSpacing(4);
    body->addWidget(m_clear, 0, Qt::AlignHCenter);
    addWideRow(m_body);

    connect(&m_connection, &VpnConnection::connectionLogChanged, this, &ConnectionLogCard::refresh);
    m_body->hide();
}

QString ConnectionLogCard::timeText(const QDateTime& timestamp)
{
    return timestamp.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

QString ConnectionLogCard::symbolFor(ConnectionLogEntry::LogType type)
{
    switch (type) {
    case ConnectionLogEntry::LogType::connected:
        return QStringLiteral("power.circle.fill");
    case ConnectionLogEntry::LogType::disconnected:
        // The hollow counterpart of a connect's symbol: the plain power symbol is the connect
        // buttons'.
        return QStringLiteral("power.circle");
    case ConnectionLogEntry::LogType::error:
        return QStringLiteral("exclamationmark.circle.fill");
    case ConnectionLogEntry::LogType::warning:
        return QStringLiteral("exclamationmark.triangle.fill");
    case ConnectionLogEntry::LogType::info:
        return QStringLiteral("info.circle.fill");
    }
    return QStringLiteral("info.circle.fill");
}

TextColor ConnectionLogCard::colorFor(ConnectionLogEntry::LogType type)
{
    switch (type) {
    case ConnectionLogEntry::LogType::connected:
        return TextColor::Green;
    case ConnectionLogEntry::LogType::disconnected:
        return TextColor::Orange;
    case ConnectionLogEntry::LogType::error:
        return TextColor::Red;
    case ConnectionLogEntry::LogType::warning:
        return TextColor::Yellow;
    case ConnectionLogEntry::LogType::info:
        return TextColor::Secondary;
    }
    return TextColor::Secondary;
}

void ConnectionLogCard::setExpanded(bool expanded)
{
    m_expanded = expanded;
    m_chevron->setSymbol(expanded ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"));
    if (expanded && m_listStale)
        rebuildList();
    m_body->setVisible(expanded);
}

void ConnectionLogCard::refresh()
{
    m_listStale = true;
    if (m_expanded)
        rebuildList();
}

void ConnectionLogCard::rebuildList()
{
    m_listStale = false;
    const auto log = m_connection.connectionLog();
    const auto shown = log.mid(0, maxShown);
    QList<QUuid> ids;
    for (const auto& entry : shown)
        ids.append(entry.id);
    m_clear->setVisible(!log.isEmpty());
    if (m_entries && ids == m_listedIds)
        return;

    auto* entries = new QWidget;
    auto* column = new QVBoxLayout(entries);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    m_dividers = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i > 0) {
            auto* divider = new Divider(entries);
            divider->setOpacity(0.3);
            column->addWidget(divider);
            ++m_dividers;
        }
        column->addWidget(entryRow(shown[i], entries));
    }
    column->addStretch();
    // Replaces (and deletes) the previous list.
    setSeeThroughWidget(m_list, entries);
    m_entries = entries;
    m_listedIds = ids;
    m_list->setFixedHeight(qMin(entries->sizeHint().height(), maxListHeight));
}
