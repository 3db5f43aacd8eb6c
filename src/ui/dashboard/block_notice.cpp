#include "block_notice.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"

#include "ui/common/one_line_text.h"

#include <QBoxLayout>

BlockNotice::BlockNotice(VpnConnection& connection, QWidget* parent)
    : SymbolLabel(QStringLiteral("bolt.shield.fill"), QString(), TextStyle::Caption, TextColor::Orange, parent)
    , m_connection(connection)
{
    setObjectName(QStringLiteral("blockNotice"));
    // A reason may be long in some languages: the line wraps rather than widen the popover, and
    // takes the row's width before it does.
    textLabel()->setWordWrap(true);
    if (auto* row = qobject_cast<QBoxLayout*>(layout()))
        row->setStretchFactor(textLabel(), 1);
    connect(&m_connection, &VpnConnection::killSwitchEnabledChanged, this, &BlockNotice::refresh);
    connect(&m_connection, &VpnConnection::killSwitchWantedChanged, this, &BlockNotice::refresh);
    connect(&m_connection, &VpnConnection::killSwitchNotInForceChanged, this, &BlockNotice::refresh);
    refresh();
}

QString BlockNotice::line(const VpnConnection& connection)
{
    // Rules still loaded once the user turned the kill switch off are no kill switch in force:
    // their release is under way, or it failed.
    if (connection.killSwitchEnabled())
        return connection.killSwitchWanted() ? i18n::tr(QStringLiteral("网络锁生效中，非 VPN 流量已被阻止"))
                                             : i18n::tr(QStringLiteral("网络锁已关闭，但规则未解除，非 VPN 流量仍被阻止"));
    const auto reason = connection.killSwitchNotInForce();
    if (reason.isEmpty() || !connection.killSwitchWanted())
        return {};
    return i18n::tr(QStringLiteral("网络锁未生效：")) + i18n::tr(reason);
}

void BlockNotice::refresh()
{
    const bool blocking = m_connection.killSwitchEnabled() && m_connection.killSwitchWanted();
    setSymbol(blocking ? QStringLiteral("bolt.shield.fill") : QStringLiteral("exclamationmark.triangle.fill"));
    setColor(blocking ? TextColor::Orange : TextColor::Red);
    const auto text = line(m_connection);
    setText(text);
    updateGeometry();
    setVisible(!text.isEmpty());
}

QSize BlockNotice::sizeHint() const
{
    const auto* label = textLabel();
    const QMargins frame = label->contentsMargins();
    const int wholeText = wholeLineWidth(label->font(), label->text()) + frame.left() + frame.right() + 2 * label->margin();
    const int width = SymbolLabel::sizeHint().width() - label->sizeHint().width() + wholeText;
    return {width, heightForWidth(width)};
}
