#include "theme_style.h"

#include "theme.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
// Room between a tooltip's edge and its text: the border and the padding inside it.
constexpr QMargins toolTipInset(7, 5, 7, 5);
constexpr qreal toolTipRadius = 4;

bool isToolTip(const QWidget* widget) { return widget && widget->inherits("QTipLabel"); }
} // namespace

ThemeStyle::ThemeStyle(Theme& theme)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    , m_theme(theme)
{
}

int ThemeStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const
{
    if (hint != SH_Theme)
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    if (returnData)
        static_cast<ThemeHintReturn*>(returnData)->theme = &m_theme;
    return 1;
}

int ThemeStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ToolTipLabelFrameWidth:
        return toolTipInset.left();
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect ThemeStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    if ((element == SE_ShapedFrameContents || element == SE_FrameContents) && isToolTip(widget))
        return option->rect - toolTipInset;
    return QProxyStyle::subElementRect(element, option, widget);
}

void ThemeStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element != PE_PanelTipLabel) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const auto& colors = m_theme.palette();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(colors.controlBorder, 1));
    painter->setBrush(option->palette.color(QPalette::ToolTipBase));
    // The stroke runs half a pixel inside the edge, so its outer edge takes the radius.
    painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), toolTipRadius - 0.5,
                             toolTipRadius - 0.5);
    painter->restore();
}
