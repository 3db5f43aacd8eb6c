#pragma once

#include "api/records/account_records.h"
#include <QString>

#include <functional>
#include <optional>

class ModernCard;
class QWidget;

// The cards of the account screen, built from the profile being shown.
namespace ProfileCards {

// The traffic row and bar of the plan card: amounts in gigabytes; an absent total shows as "--"
// and leaves the bar empty, a present one divides as at least 1.
struct PlanUsage {
    QString text; // "12.3 / 100 GB"
    double fraction = 0; // used over the divisor, not capped
    bool isHigh = false; // above 0.8: the bar turns red
};
PlanUsage planUsage(std::optional<double> used, std::optional<double> total);

// The avatar's letter: the e-mail's first character upper-cased (empty for an empty e-mail),
// else the name's, else "V".
QString avatarLetter(const UserProfileResponse& profile);

// Avatar, name (else e-mail, else "用户"), e-mail and plan.
ModernCard* accountCard(const UserProfileResponse& profile, QWidget* parent);
// Plan, expiry, traffic with its bar, and the purchase button (disabled without an action).
ModernCard* planCard(const UserProfileResponse& profile, const std::function<void()>& buy, QWidget* parent);
// The invitation code with its copy button, and the commission balance, each when present.
ModernCard* inviteCard(const UserProfileResponse& profile, QWidget* parent);
// The sign-in prompt shown without a signed-in profile.
ModernCard* notSignedInCard(const std::function<void()>& signIn, QWidget* parent);

} // namespace ProfileCards
