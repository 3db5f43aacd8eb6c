#pragma once

#include "commerce_world.h"

#include "ui/commerce/commerce_widgets.h"
#include "ui/commerce/payment_sheet.h"
#include "ui/commerce/purchase_view.h"

#include <QNetworkReply>
#include <QPointer>

// One purchase sheet over the commerce world, opened and loaded.
class PurchaseTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        delete view;
        deliverPostedEvents();
    }

    PurchaseView& open()
    {
        view = new PurchaseView(world.services(), nullptr);
        view->open();
        CommerceWorld::waitUntil([this] { return !view->isLoading(); });
        return *view;
    }

    PlanRow* row(const QString& name) const
    {
        for (auto* row : view->planRows()) {
            if (row->plan().name == name)
                return row;
        }
        ADD_FAILURE() << "no row for " << name.toStdString();
        return nullptr;
    }

    // Taps the plan's row and waits for the service's answer to be applied and for the requests
    // it started (the WeChat code's preload) to end.
    void buy(const QString& name)
    {
        row(name)->click();
        CommerceWorld::waitUntil([this] { return !view->payment().paying; });
        waitForReplies();
    }

    // Until every request of the sheet's own client has ended.
    void waitForReplies()
    {
        CommerceWorld::waitUntil([this] { return view.isNull() || view->findChildren<QNetworkReply*>().isEmpty(); });
        deliverPostedEvents();
    }

    const PaymentState& pay() const { return view->payment(); }

    CommerceWorld world;
    QPointer<PurchaseView> view;
};
