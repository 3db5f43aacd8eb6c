#include "text_label.h"

#include "one_line_text.h"
#include "plain_tool_tip.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace {
// The label's colour role, kept on the label so that a change of theme can paint it again.
constexpr char colorRoleProperty[] = "textColorRole";

// The roles a label may paint its text with: a label inside a button takes the button's.
constexpr QPalette::ColorRole textRoles[] = {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};

void paintInRole(QLabel* label)
{
    const auto role = static_cast<TextColor>(label->property(colorRoleProperty).toInt());
    QPalette colors = label->palette();
    const QPalette window = QApplication::palette();
    for (auto textRole : textRoles) {
        if (role == TextColor::Primary) {
            // The window's own text colour, dimmed while disabled as every plain label is.
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                colors.setColor(group, textRole, window.color(group, textRole));
        } else {
            colors.setColor(textRole, Theme::of(label).palette().color(role));
        }
    }
    label->setPalette(colors);
}
} // namespace

TextLabel::TextLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    QLabel::setTextFormat(Qt::PlainText);
    QLabel::setOpenExternalLinks(false);
    setText(text);
}

void TextLabel::setOneLine(bool oneLine)
{
    m_oneLine = oneLine;
    if (oneLine) {
        setWordWrap(false);
        // One line high: a selectable text, which the label lays out itself, shows no second line.
        setSizePolicy(sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    }
    updateGeometry();
    update();
}

QString TextLabel::shownText() const
{
    return m_oneLine ? elidedLine(fontMetrics(), text(), textRoom().width()) : text();
}

bool TextLabel::isSelectable() const
{
    return textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool TextLabel::wrapsAnywhere() const { return wordWrap() && !isSelectable(); }

WrappedText& TextLabel::wrappedText() const
{
    m_wrapped.setText(text());
    m_wrapped.setFont(font());
    m_wrapped.setDirection(layoutDirection());
    return m_wrapped;
}

QSize TextLabel::preferredSize() const
{
    const int lineSpacing = fontMetrics().lineSpacing();
    const int room = std::min(fontMetrics().averageCharWidth() * 80, maximumWidth()) - withMargins(QSize(0, 0)).width();
    auto size = wrappedText().sizeAt(room);
    if (size.height < 4 * lineSpacing && size.width > room / 2)
        size = m_wrapped.sizeAt(room / 2);
    if (size.height < 2 * lineSpacing && size.width > room / 4)
        size = m_wrapped.sizeAt(room / 4);
    // As high as at its widest line's width: the lines break there as they did.
    return withMargins(QSize(size.width, size.height));
}

QRect TextLabel::textRoom() const
{
    const int inset = margin();
    return contentsRect().adjusted(inset, inset, -inset, -inset);
}

QSize TextLabel::withMargins(QSize text) const
{
    const QMargins frame = contentsMargins();
    const int inset = 2 * margin();
    return text.grownBy(frame) + QSize(inset, inset);
}

QSize TextLabel::sizeHint() const
{
    if (wrapsAnywhere())
        return preferredSize();
    if (wordWrap()) {
        // As the label lays it out, but no wider than the lines of about 80 characters it aims
        // for when a word is longer than that.
        const int lineWidth = withMargins(QSize(fontMetrics().averageCharWidth() * 80, 0)).width();
        const int width = std::min(QLabel::sizeHint().width(), lineWidth);
        return QSize(width, heightForWidth(width));
    }
    if (!m_oneLine)
        return QLabel::sizeHint();
    return withMargins(QSize(wholeLineWidth(font(), text()), fontMetrics().height()));
}

QSize TextLabel::minimumSizeHint() const
{
    if (wordWrap()) {
        // Its longest word, up to ten characters: a longer word is broken where it has to be (or,
        // selectable, clipped). One line high, as a wrapping label's minimum is: the layout asks
        // for the height at the width it gives, and a column of such labels would otherwise claim
        // the height of their narrowest wrapping.
        const int wordWidth = withMargins(QSize(fontMetrics().averageCharWidth() * 10, 0)).width();
        const QSize own = wrapsAnywhere() ? withMargins(QSize(wrappedText().widestWord(),
                                                             m_wrapped.sizeAt(QWIDGETSIZE_MAX).height))
                                          : QLabel::minimumSizeHint();
        return QSize(std::min(own.width(), wordWidth), own.height());
    }
    if (!m_oneLine)
        return QLabel::minimumSizeHint();
    const int ellipsis = wholeLineWidth(font(), QStringLiteral("…"));
    return withMargins(QSize(std::min(ellipsis, wholeLineWidth(font(), text())), fontMetrics().height()));
}

int TextLabel::heightForWidth(int width) const
{
    if (!wrapsAnywhere())
        return QLabel::heightForWidth(width);
    const QSize frame = withMargins(QSize(0, 0));
    return wrappedText().sizeAt(width - frame.width()).height + frame.height();
}

bool TextLabel::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !m_oneLine || !toolTip().isEmpty())
        return QLabel::event(event);
    const QString whole = oneLine(text());
    if (shownText() == whole) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // A line of about 80 characters: a name of thousands would cover the screen.
    const int room = fontMetrics().averageCharWidth() * 80;
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                       plainToolTip(elidedLine(fontMetrics(), whole, room)), this);
    return true;
}

void TextLabel::paintEvent(QPaintEvent* event)
{
    // Selectable text is drawn by the label, which shows the selection; on one line it is clipped
    // at the label's end.
    if ((!m_oneLine && !wrapsAnywhere()) || isSelectable()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const auto alignment = QStyle::visualAlignment(layoutDirection(), this->alignment());
    if (!wrapsAnywhere()) {
        style()->drawItemText(&painter, textRoom(), int(alignment), palette(), isEnabled(), shownText(),
                              foregroundRole());
        return;
    }
    // Only the lines in view: a long text has thousands.
    if (!isEnabled() && style()->styleHint(QStyle::SH_EtchDisabledText, nullptr, this)) {
        painter.setPen(palette().light().color());
        wrappedText().draw(painter, textRoom().translated(1, 1), alignment, event->rect());
    }
    painter.setPen(palette().color(foregroundRole()));
    wrappedText().draw(painter, textRoom(), alignment, event->rect());
}

void setTextColor(QLabel* label, TextColor color)
{
    const bool following = label->property(colorRoleProperty).isValid();
    label->setProperty(colorRoleProperty, static_cast<int>(color));
    paintInRole(label);
    if (!following)
        QObject::connect(&Theme::of(label), &Theme::changed, label, [label] { paintInRole(label); });
}

TextLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color, QWidget* parent)
{
    auto* label = new TextLabel(text, parent);
    label->setFont(Theme::of(label).font(style, weight));
    // A label in the window's text colour takes it from the application, as it changes.
    if (color != TextColor::Primary)
        setTextColor(label, color);
    return label;
}

TextLabel* makeLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeLabel(text, style, Theme::weightOf(style), color, parent);
}

TextLabel* makeWrappedLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    auto* label = makeLabel(text, style, color, parent);
    label->setWordWrap(true);
    return label;
}

TextLabel* makeOneLineLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeOneLineLabel(text, style, Theme::weightOf(style), color, parent);
}

TextLabel* makeOneLineLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color,
                            QWidget* parent)
{
    auto* label = makeLabel(text, style, weight, color, parent);
    label->setOneLine(true);
    return label;
}
