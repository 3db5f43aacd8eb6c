#pragma once

#include "invite_view.h"
#include "support_view.h"
#include "traffic_log_view.h"
#include "withdraw_view.h"

// The openers the account screen plugs into its action rows: each opens its sheet over `parent`'s
// window with open() and returns it; the sheet deletes itself once closed.
InviteView* openInviteSheet(InviteView::Services services, QWidget* parent);
WithdrawView* openWithdrawSheet(WithdrawView::Services services, QWidget* parent);
SupportView* openSupportSheet(SupportView::Services services, QWidget* parent);
TrafficLogView* openTrafficLogSheet(TrafficLogView::Services services, QWidget* parent);
