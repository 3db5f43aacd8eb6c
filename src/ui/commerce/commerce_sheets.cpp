#include "commerce_sheets.h"

#include "converter_view.h"
#include "purchase_view.h"
#include "subscription_view.h"

namespace {
template <typename Sheet>
QDialog* openSheet(const CommerceServices& services, QWidget* parent)
{
    auto* sheet = new Sheet(services, parent);
    sheet->open();
    return sheet;
}
} // namespace

QDialog* openPurchaseSheet(const CommerceServices& services, QWidget* parent)
{
    return openSheet<PurchaseView>(services, parent);
}

QDialog* openSubscriptionSheet(const CommerceServices& services, QWidget* parent)
{
    return openSheet<SubscriptionView>(services, parent);
}

QDialog* openConverterSheet(const CommerceServices& services, QWidget* parent)
{
    return openSheet<ConverterView>(services, parent);
}
