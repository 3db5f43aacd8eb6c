#include "commerce_widgets.h"

#include "plan_rules.h"
#include "platform/text_table.h"
#include "ui/common/one_line_text.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"
#include "ui/common/themed_sheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTextLayout>
#include <QVBoxLayout>

namespace {
QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

// Children of a button are its face: clicks on them press the button.
void makeFace(QWidget* widget) { widget->setAttribute(Qt::WA_TransparentForMouseEvents); }
} // namespace

QLabel* makeCapsule(const QString& text, const QColor& fill, TextStyle style, QWidget* parent)
{
    // The text comes from the service: one line, given up before what stands beside it.
    auto* label = makeOneLineLabel(text, style, QFont::Bold, TextColor::Primary, parent);
    label->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: %1; border-radius: 8px; padding: 2px 6px; }")
            .arg(cssColor(fill)));
    return label;
}

SelectableText::SelectableText(int maxLines, QWidget* parent)
    : TextLabel(QString(), parent)
    , m_maxLines(maxLines)
{
    followRoom();
}

void SelectableText::setWholeText(const QString& text)
{
    setText(text);
    followRoom();
}

void SelectableText::resizeEvent(QResizeEvent* event)
{
    TextLabel::resizeEvent(event);
    followRoom();
}

bool SelectableText::fitsWhole() const
{
    if (text() != oneLine(text()))
        return false;
    // Laid out as the label lays out selectable text: broken at words only.
    const qreal room = contentsRect().width() - 2 * margin();
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    bool fits = true;
    for (auto line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        fits = fits && line.naturalTextWidth() <= room && ++lines <= m_maxLines;
    }
    layout.endLayout();
    return fits;
}

void SelectableText::followRoom()
{
    const bool whole = fitsWhole();
    const auto interaction = whole ? Qt::TextSelectableByMouse : Qt::NoTextInteraction;
    if (whole == isWhole() && textInteractionFlags() == interaction)
        return;
    setOneLine(!whole);
    if (whole) {
        setWordWrap(m_maxLines > 1);
        setSizePolicy(sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    }
    setTextInteractionFlags(interaction);
}

OutlinedButton::OutlinedButton(Theme& theme, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
{
    setCursor(Qt::PointingHandCursor);
    connect(&theme, &Theme::changed, this, qOverload<>(&QWidget::update));
}

QSize OutlinedButton::sizeHint() const { return layout() ? layout()->sizeHint() : QAbstractButton::sizeHint(); }

void OutlinedButton::paintEvent(QPaintEvent*)
{
    const auto shape = look();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto inset = shape.width / 2;
    painter.setPen(QPen(shape.outline, shape.width));
    painter.setBrush(isDown() ? shape.fill.darker(105) : shape.fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), shape.radius, shape.radius);
}

PlanRow::PlanRow(const Plan& plan, Theme& theme, QWidget* parent)
    : OutlinedButton(theme, parent)
    , m_plan(plan)
{
    const auto& colors = theme.palette();
    // As wide as the list, never wider: a button keeps at least the width of its content.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(Spacing::m);
    if (plan.tag && !plan.tag->isEmpty()) {
        m_tag = makeCapsule(*plan.tag, colors.accent, TextStyle::Caption2, this);
        // A tag is a word or two; a longer one is cut rather than taking the title's room.
        m_tag->setMaximumWidth(m_tag->fontMetrics().averageCharWidth() * tagCharacters);
        row->addWidget(m_tag, 0, Qt::AlignVCenter);
    }

    // The title (the plan's name when its period is not one the row names) and the limits give
    // way: the price and the chevron always show whole.
    auto* middle = new QVBoxLayout;
    middle->setSpacing(Spacing::xxs);
    m_title
        = makeOneLineLabel(PlanRules::periodLabel(plan), TextStyle::Body, QFont::DemiBold, TextColor::Primary, this);
    m_limits = makeOneLineLabel(PlanRules::limitsLine(plan), TextStyle::Caption, TextColor::Secondary, this);
    middle->addWidget(m_title);
    middle->addWidget(m_limits);
    row->addLayout(middle, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(Spacing::xxs);
    if (plan.price != 0) {
        m_price = makeLabel(PlanRules::priceText(plan.price), TextStyle::Title3, QFont::Bold, TextColor::Primary, this);
        m_hint = makeLabel(PlanRules::perMonthHint(plan), TextStyle::Caption2, TextColor::Secondary, this);
        right->addWidget(m_price, 0, Qt::AlignRight);
        right->addWidget(m_hint, 0, Qt::AlignRight);
    } else {
        m_price = makeLabel(i18n::tr(QStringLiteral("免费")), TextStyle::Title3, QFont::Bold, TextColor::Green, this);
        right->addWidget(m_price, 0, Qt::AlignRight);
    }
    row->addLayout(right);
    row->addWidget(new SymbolView(QStringLiteral("chevron.right"), 11, TextColor::Secondary, this));
    for (auto* child : findChildren<QWidget*>())
        makeFace(child);
}

OutlinedButton::Look PlanRow::look() const
{
    const auto& colors = m_theme.palette();
    if (PlanRules::isHighlighted(m_plan))
        return {colors.card, withAlpha(colors.accent, 0.5), 1.5, 12};
    return {colors.card, withAlpha(colors.secondaryText, 0.12), 1.0, 12};
}

WayButton::WayButton(PaymentMethod method, const QString& title, const QString& symbol, Theme& theme, QWidget* parent)
    : OutlinedButton(theme, parent)
    , m_method(method)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 10, 4, 10);
    column->setSpacing(Spacing::xs);
    column->addWidget(new SymbolView(symbol, 18, TextColor::Primary, this), 0, Qt::AlignHCenter);
    column->addWidget(makeLabel(title, TextStyle::Caption, TextColor::Primary, this), 0, Qt::AlignHCenter);
    setText(title);
    for (auto* child : findChildren<QWidget*>())
        makeFace(child);
}

void WayButton::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

OutlinedButton::Look WayButton::look() const
{
    const auto& colors = m_theme.palette();
    if (m_selected)
        return {withAlpha(colors.accent, 0.15), colors.accent, 1.5, 8};
    return {Qt::transparent, withAlpha(colors.secondaryText, 0.2), 1.0, 8};
}

PageSwitch::PageSwitch(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
}

void PageSwitch::addPage(QWidget* page)
{
    layout()->addWidget(page);
    m_pages.append(page);
    if (m_current < 0)
        m_current = 0;
    page->setVisible(m_pages.size() == 1);
}

void PageSwitch::setCurrentIndex(int index)
{
    m_current = index;
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == index);
}
