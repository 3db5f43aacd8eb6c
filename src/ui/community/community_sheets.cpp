#include "community_sheets.h"

namespace {

template <typename Sheet>
Sheet* openSheet(typename Sheet::Services services, QWidget* parent)
{
    auto* sheet = new Sheet(std::move(services), parent);
    sheet->open();
    return sheet;
}

} // namespace

InviteView* openInviteSheet(InviteView::Services services, QWidget* parent)
{
    return openSheet<InviteView>(services, parent);
}

WithdrawView* openWithdrawSheet(WithdrawView::Services services, QWidget* parent)
{
    return openSheet<WithdrawView>(services, parent);
}

SupportView* openSupportSheet(SupportView::Services services, QWidget* parent)
{
    return openSheet<SupportView>(std::move(services), parent);
}

TrafficLogView* openTrafficLogSheet(TrafficLogView::Services services, QWidget* parent)
{
    return openSheet<TrafficLogView>(services, parent);
}
