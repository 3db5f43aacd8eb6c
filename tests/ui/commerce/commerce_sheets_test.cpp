// The openers the account screen plugs in: each opens its sheet over the given parent, and the
// sheet is gone once closed.
#include "commerce_world.h"

#include "ui/commerce/commerce_sheets.h"
#include "ui/commerce/converter_view.h"
#include "ui/commerce/purchase_view.h"
#include "ui/commerce/subscription_view.h"

#include <QDialog>
#include <QPointer>

TEST(CommerceSheetsTest, OpenersShowEachSheetOverItsParent)
{
    CommerceWorld world;
    QWidget host;
    host.show();
    using Opener = QDialog* (*)(const CommerceServices&, QWidget*);
    const std::pair<Opener, const char*> openers[] = {
        {&openPurchaseSheet, PurchaseView::staticMetaObject.className()},
        {&openSubscriptionSheet, SubscriptionView::staticMetaObject.className()},
        {&openConverterSheet, ConverterView::staticMetaObject.className()},
    };
    for (const auto& [open, className] : openers) {
        QPointer<QDialog> sheet = open(world.services(), &host);
        ASSERT_TRUE(sheet);
        EXPECT_STREQ(sheet->metaObject()->className(), className);
        EXPECT_EQ(sheet->parentWidget(), &host);
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
        clickClose(*sheet);
        CommerceWorld::waitUntil([&] { return sheet.isNull(); });
    }
}
