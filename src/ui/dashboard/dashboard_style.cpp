#include "dashboard_style.h"

#include "platform/text_table.h"

namespace DashboardStyle {

TextColor latencyColor(qint64 milliseconds)
{
    if (milliseconds < 80)
        return TextColor::Green;
    if (milliseconds < 200)
        return TextColor::Orange;
    return TextColor::Red;
}

TextColor statusColor(ConnectionState state)
{
    switch (state) {
    case ConnectionState::disconnected:
        return TextColor::Secondary;
    case ConnectionState::connected:
        return TextColor::Green;
    case ConnectionState::connecting:
    case ConnectionState::disconnecting:
        return TextColor::Orange;
    }
    return TextColor::Secondary;
}

TextColor stateLightColor(ConnectionState state)
{
    switch (state) {
    case ConnectionState::disconnected:
        return TextColor::Gray;
    case ConnectionState::connecting:
        return TextColor::Yellow;
    case ConnectionState::connected:
        return TextColor::Green;
    case ConnectionState::disconnecting:
        return TextColor::Orange;
    }
    return TextColor::Gray;
}

QString statusText(ConnectionState state)
{
    switch (state) {
    case ConnectionState::disconnected:
        return i18n::tr(QStringLiteral("未连接"));
    case ConnectionState::connecting:
        return i18n::tr(QStringLiteral("连接中..."));
    case ConnectionState::connected:
        return i18n::tr(QStringLiteral("已连接"));
    case ConnectionState::disconnecting:
        return i18n::tr(QStringLiteral("断开中..."));
    }
    return {};
}

double usageRatio(double used, double total)
{
    if (total > 0)
        return used / total;
    return used > 0 ? 1.0 : 0.0;
}

TextColor usageColor(double ratio)
{
    if (ratio > 0.8)
        return TextColor::Red;
    if (ratio > 0.5)
        return TextColor::Orange;
    return TextColor::Accent;
}

} // namespace DashboardStyle
