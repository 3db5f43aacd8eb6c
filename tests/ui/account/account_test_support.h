#pragma once

#include "api/records/account_records.h"
#include "platform/text_format.h"
#include "support/table_text.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

// Presses the alert's button that reads `text`, as the user would.
inline void pressButton(QMessageBox* box, const QString& text)
{
    ASSERT_TRUE(box);
    for (auto* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    FAIL() << "no button " << text.toStdString();
}

// A signed-in user with every field: plan, expiry, 678.4 of 800 GB, invitation and commission.
inline UserProfileResponse sampleProfile()
{
    UserProfileResponse profile;
    profile.ok = true;
    profile.email = QStringLiteral("mia@example.com");
    profile.name = QStringLiteral("Mia Chen");
    profile.plan = QStringLiteral("高级版");
    profile.expire = QStringLiteral("2027-03-01");
    profile.trafficTotal = 800;
    profile.trafficUsed = 678.4;
    profile.inviteCode = QStringLiteral("VM7Q2X");
    profile.commission = 0;
    return profile;
}
