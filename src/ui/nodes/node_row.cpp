#include "node_row.h"

#include "platform/text_table.h"
#include "ui/common/icons.h"
#include "ui/common/one_line_text.h"
#include "ui/common/spinner.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int verticalPadding = 4;
constexpr int horizontalPadding = 8;
constexpr int spacing = 10;
constexpr int starSize = 13;
constexpr int markSize = 13;
constexpr int latencyWidth = 60;
constexpr int spinnerSize = 12;

const ThemePalette& palette(const QWidget* widget) { return Theme::of(widget).palette(); }

QFont font(const QWidget* widget, TextStyle style, QFont::Weight weight = QFont::Normal)
{
    const auto& theme = Theme::of(widget);
    return weight == QFont::Normal ? theme.font(style) : theme.font(style, weight);
}

void drawSymbol(QPainter& painter, const QString& symbol, const QColor& color, const QRect& box)
{
    painter.drawPixmap(box, Icons::pixmap(symbol, color, box.width(), painter.device()->devicePixelRatioF()));
}

// A square of `size` centred vertically in `line`, its right edge at `right`.
QRect squareAt(const QRect& line, int right, int size)
{
    return QRect(right - size, line.center().y() - size / 2, size, size);
}

} // namespace

NodeRow::Latency NodeRow::latency() const
{
    const std::optional<qint64> value = pingMs ? pingMs : (probeFailed ? std::nullopt : node.delay);
    if (value)
        return {Latency::Kind::value, *value, QString::number(*value) + QStringLiteral("ms")};
    if (isConnecting)
        return {Latency::Kind::spinner, 0, {}};
    return {Latency::Kind::unknown, 0, QStringLiteral("--ms")};
}

TextColor NodeRow::latencyColor(qint64 milliseconds)
{
    if (milliseconds < 80)
        return TextColor::Green;
    if (milliseconds < 200)
        return TextColor::Yellow;
    if (milliseconds < 500)
        return TextColor::Orange;
    return TextColor::Red;
}

int NodeRow::height(const QWidget* widget)
{
    // Asked for every line at each layout: measured again only when the fonts change (another
    // language picks another face).
    static QString measuredFor;
    static int value = 0;
    const QFont body = font(widget, TextStyle::Body);
    if (body.key() != measuredFor) {
        measuredFor = body.key();
        const int text = QFontMetrics(body).height() + 2 + QFontMetrics(font(widget, TextStyle::Caption)).height();
        value = std::max(text, QFontMetrics(font(widget, TextStyle::Title3)).height()) + 2 * verticalPadding + 6;
    }
    return value;
}

NodeRow::Geometry NodeRow::geometry(const QRect& line, const QWidget* widget) const
{
    Geometry g;
    int right = line.right() - horizontalPadding;
    // The mark's column is kept on every line, so that the connected line's star, badge and
    // latency stand in the columns of the others.
    if (isConnected || isConnecting)
        g.mark = squareAt(line, right, isConnected ? markSize : spinnerSize);
    right -= markSize + spacing;
    g.latency = QRect(right - latencyWidth, line.top(), latencyWidth, line.height());
    right = g.latency.left() - spacing;
    const QSize badge = badgeSize(node.method, widget);
    g.badge = QRect(QPoint(right - badge.width(), line.center().y() - badge.height() / 2), badge);
    right = g.badge.left() - spacing;
    if (showFavorite) {
        g.star = squareAt(line, right, starSize);
        right = g.star.left() - spacing;
    }
    g.textRight = right;
    return g;
}

QRect NodeRow::starRect(const QRect& line, const QWidget* widget) const { return geometry(line, widget).star; }

QSize NodeRow::badgeSize(const QString& method, const QWidget* widget)
{
    const QFontMetrics metrics(font(widget, TextStyle::Caption2));
    return {metrics.horizontalAdvance(method.toUpper()) + 12, metrics.height() + 4};
}

void NodeRow::paintBadge(QPainter& painter, const QRect& badge, const QString& method, const QWidget* widget)
{
    const auto& colors = palette(widget);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(colors.blue, 0.08));
    painter.drawRoundedRect(QRectF(badge), 4, 4);
    painter.setFont(font(widget, TextStyle::Caption2));
    painter.setPen(withOpacity(colors.blue, 0.7));
    painter.drawText(badge, Qt::AlignCenter, method.toUpper());
}

QString NodeRow::starToolTip() const
{
    return i18n::tr(isFavorite ? QStringLiteral("取消收藏") : QStringLiteral("收藏"));
}

void NodeRow::paint(QPainter& painter, const QRect& line, int spinnerStep, const QWidget* widget) const
{
    const auto& colors = palette(widget);
    const auto g = geometry(line, widget);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    if (isConnected)
        drawSymbol(painter, QStringLiteral("checkmark.circle.fill"), colors.green, g.mark);
    else if (isConnecting)
        Spinner::paint(painter, g.mark, colors.secondaryText, spinnerStep);

    const auto shown = latency();
    if (shown.kind == Latency::Kind::spinner) {
        Spinner::paint(painter, squareAt(g.latency, g.latency.right(), spinnerSize), colors.secondaryText, spinnerStep);
    } else {
        const QFont digits = Theme::of(widget).monospacedDigitFont(TextStyle::Caption);
        painter.setFont(digits);
        const int textWidth = QFontMetrics(digits).horizontalAdvance(shown.text);
        const QRect textBox(g.latency.right() - textWidth, g.latency.top(), textWidth + 1, g.latency.height());
        if (shown.kind == Latency::Kind::value) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colors.color(latencyColor(shown.milliseconds)));
            painter.drawEllipse(QRectF(textBox.left() - 4 - 6, line.center().y() - 3, 6, 6));
            painter.setPen(colors.secondaryText);
        } else {
            painter.setPen(withOpacity(colors.secondaryText, 0.4));
        }
        painter.drawText(textBox, Qt::AlignRight | Qt::AlignVCenter, shown.text);
    }

    paintBadge(painter, g.badge, node.method, widget);

    if (showFavorite) {
        if (isFavorite)
            drawSymbol(painter, QStringLiteral("star.fill"), colors.yellow, g.star);
        else
            drawSymbol(painter, QStringLiteral("star"), withOpacity(colors.gray, 0.3), g.star);
    }

    // From the left: flag, then name over host and port, cut to the room that is left.
    int left = line.left() + horizontalPadding;
    const QFont flagFont = font(widget, TextStyle::Title3);
    painter.setFont(flagFont);
    painter.setPen(colors.text);
    const QString flag = node.regionEmoji();
    const int flagWidth = QFontMetrics(flagFont).horizontalAdvance(flag);
    painter.drawText(QRect(left, line.top(), flagWidth + 2, line.height()), Qt::AlignLeft | Qt::AlignVCenter, flag);
    left += flagWidth + spacing;

    const QFont nameFont = font(widget, TextStyle::Body, isConnected ? QFont::DemiBold : QFont::Normal);
    const QFont hostFont = font(widget, TextStyle::Caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics hostMetrics(hostFont);
    const int textWidth = std::max(0, g.textRight - left);
    const int top = line.center().y() - (nameMetrics.height() + 2 + hostMetrics.height()) / 2;
    painter.setFont(nameFont);
    painter.setPen(colors.text);
    painter.drawText(QRect(left, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     elidedLine(nameMetrics, node.name, textWidth));
    painter.setFont(hostFont);
    painter.setPen(colors.secondaryText);
    const QString host = node.server + QLatin1Char(':') + QString::number(node.port);
    painter.drawText(QRect(left, top + nameMetrics.height() + 2, textWidth, hostMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, elidedLine(hostMetrics, host, textWidth));
    painter.restore();
}
