#include "support/table_row.h"
#include "ui/common/fair_share_row.h"
#include "ui/common/text_label.h"

#include <QWidget>

#include <gtest/gtest.h>

TEST(FairShareRow, EachItemKeepsItsShareOfTheRoom)
{
    using Ask = FairShareRow::Ask;
    struct Case {
        QList<Ask> asks;
        int room;
        QList<int> widths;
    };
    const Case cases[] = {
        // Room for all: each as wide as it asks.
        {{{10, 80}, {10, 60}}, 400, {80, 60}},
        {{{10, 80}, {10, 60}}, 140, {80, 60}},
        // A long text beside an ordinary one, either way round: the ordinary one stays whole.
        {{{10, 5000}, {10, 120}}, 400, {280, 120}},
        {{{10, 120}, {10, 5000}}, 400, {120, 280}},
        // Two long ones: half each; an odd pixel goes to the first.
        {{{10, 5000}, {10, 9000}}, 400, {200, 200}},
        {{{10, 5000}, {10, 9000}}, 401, {201, 200}},
        // An item that never gives way (a figure) keeps its width; the others share the rest.
        {{{70, 70}, {10, 5000}, {10, 5000}}, 270, {70, 100, 100}},
        {{{10, 5000}, {90, 90}, {10, 30}}, 300, {180, 90, 30}},
        // Less room than the minimums: each at its minimum.
        {{{70, 70}, {10, 5000}}, 50, {70, 10}},
        // Three long ones and one short: the short one whole, the rest in equal thirds.
        {{{0, 1000}, {0, 40}, {0, 1000}, {0, 1000}}, 340, {100, 40, 100, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(FairShareRow::shares(c.asks, c.room), c.widths);
    }
}

TEST(FairShareRow, LaysOutItsWidgetsInTheirSharesWithTheSpareRoomInTheStretch)
{
    QWidget row;
    auto* line = new FairShareRow(&row);
    line->setContentsMargins(4, 0, 4, 0);
    line->setSpacing(6);
    auto* name = makeOneLineLabel(QString(300, QLatin1Char('W')), TextStyle::Body, TextColor::Primary, &row);
    auto* figure = makeLabel(QStringLiteral("¥60.00"), TextStyle::Body, TextColor::Primary, &row);
    line->addWidget(name);
    line->addStretch();
    line->addWidget(figure);
    row.resize(300, 40);
    row.show();

    EXPECT_EQ(figure->width(), figure->sizeHint().width());
    EXPECT_EQ(figure->geometry().right(), 300 - 4 - 1);
    EXPECT_EQ(name->x(), 4);
    EXPECT_EQ(name->width(), 300 - 8 - 6 - figure->width());
    EXPECT_TRUE(name->shownText().endsWith(QStringLiteral("…")));
    EXPECT_LT(line->minimumSize().width(), 300);

    // A short name leaves the spare room between the two.
    name->setText(QStringLiteral("东京"));
    line->activate();
    EXPECT_EQ(name->width(), name->sizeHint().width());
    EXPECT_EQ(figure->geometry().right(), 300 - 4 - 1);
    EXPECT_EQ(line->sizeHint().width(), 8 + name->sizeHint().width() + 6 + figure->sizeHint().width());
}
