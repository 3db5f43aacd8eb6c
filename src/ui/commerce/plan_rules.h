#pragma once

#include "api/records/plan_records.h"

#include <QList>
#include <QString>

// The purchase screen's rules for the price list: sections by edition and the texts of a plan
// row. Pure functions; numbers that are not finite or do not fit show as "—", never crash.
namespace PlanRules {

// One section of the plan list: an edition, or a plan's whole name when it belongs to none.
struct PlanGroup {
    QString group;
    QList<Plan> plans; // in the order of the price list
};

// The five editions in display order.
const QStringList& editions();

// The section key of a plan: the name's part before the first ASCII "(" when that part is an
// edition exactly, else the whole name.
QString groupKey(const QString& name);
// Editions first in their order, then every other key in the order first met.
QList<PlanGroup> groupPlans(const QList<Plan>& plans);

// "月付", "季付", "半年付", "年付" for the known periods, else the plan's name.
QString periodLabel(const Plan& plan);
// Months paid for at once: 1, 3, 6 or 12; 1 for any other period.
int months(const Plan& plan);
// "≈¥30.0/月" for a positive price within the 64-bit range; empty otherwise.
QString perMonthHint(const Plan& plan);
// The price as paid: "¥25" for a whole amount, "¥29.90" otherwise; decimals are never dropped.
// "¥—" beyond the 64-bit range.
QString priceText(double price);
// "100GB · 8节点 · 3设备": traffic truncated toward zero.
QString limitsLine(const Plan& plan);
// A truncated whole number, or "—" when the value is not finite or out of the 64-bit range.
QString wholeNumber(double value);
// The row's accent outline: a monthly plan with a positive price.
bool isHighlighted(const Plan& plan);

} // namespace PlanRules
