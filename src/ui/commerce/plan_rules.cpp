#include "plan_rules.h"

#include "platform/text_format.h"

#include <algorithm>
#include <cmath>

namespace PlanRules {

namespace {
constexpr int otherRank = 99;
const QString noNumber = QStringLiteral("—");

int rank(const QString& key)
{
    const auto at = editions().indexOf(key);
    return at < 0 ? otherRank : int(at);
}
} // namespace

const QStringList& editions()
{
    static const QStringList list{QStringLiteral("标准版"), QStringLiteral("专业版"), QStringLiteral("商业版"),
                                  QStringLiteral("测试版"), QStringLiteral("体验版")};
    return list;
}

QString groupKey(const QString& name)
{
    // One split at the first "(", empty pieces dropped; no trimming, and "（" does not split.
    const auto at = name.indexOf(QLatin1Char('('));
    QStringList pieces{at < 0 ? name : name.left(at)};
    if (at >= 0)
        pieces.append(name.mid(at + 1));
    pieces.removeAll(QString());
    if (!pieces.isEmpty() && editions().contains(pieces.first()))
        return pieces.first();
    return name;
}

QList<PlanGroup> groupPlans(const QList<Plan>& plans)
{
    QList<PlanGroup> groups;
    for (const auto& plan : plans) {
        const auto key = groupKey(plan.name);
        auto at
            = std::find_if(groups.begin(), groups.end(), [&](const PlanGroup& group) { return group.group == key; });
        if (at == groups.end()) {
            groups.append({key, {}});
            at = groups.end() - 1;
        }
        at->plans.append(plan);
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const PlanGroup& a, const PlanGroup& b) { return rank(a.group) < rank(b.group); });
    return groups;
}

QString periodLabel(const Plan& plan)
{
    const auto period = plan.period.value_or(QString());
    if (period == QLatin1String("month"))
        return QStringLiteral("月付");
    if (period == QLatin1String("quarter"))
        return QStringLiteral("季付");
    if (period == QLatin1String("semiannual"))
        return QStringLiteral("半年付");
    if (period == QLatin1String("year"))
        return QStringLiteral("年付");
    return plan.name;
}

int months(const Plan& plan)
{
    const auto period = plan.period.value_or(QString());
    if (period == QLatin1String("quarter"))
        return 3;
    if (period == QLatin1String("semiannual"))
        return 6;
    if (period == QLatin1String("year"))
        return 12;
    return 1;
}

QString perMonthHint(const Plan& plan)
{
    if (!(plan.price > 0) || wholeNumber(plan.price) == noNumber)
        return {};
    return QStringLiteral("≈¥") + i18n::format(QStringLiteral("%.1f"), plan.price / months(plan))
        + QStringLiteral("/月");
}

QString wholeNumber(double value)
{
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit)
        return noNumber;
    return QString::number(static_cast<qint64>(std::trunc(value)));
}

QString priceText(double price)
{
    const auto whole = wholeNumber(price);
    if (whole == noNumber || std::trunc(price) == price)
        return QStringLiteral("¥") + whole;
    return QStringLiteral("¥") + i18n::format(QStringLiteral("%.2f"), price);
}

QString limitsLine(const Plan& plan)
{
    return wholeNumber(plan.traffic) + QStringLiteral("GB · ") + QString::number(plan.nodes) + QStringLiteral("节点 · ")
        + QString::number(plan.devices) + QStringLiteral("设备");
}

bool isHighlighted(const Plan& plan) { return plan.period == QStringLiteral("month") && plan.price > 0; }

} // namespace PlanRules
