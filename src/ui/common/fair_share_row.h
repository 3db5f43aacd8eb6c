#pragma once

#include <QLayout>
#include <QList>

// A row whose texts share its width fairly, for rows where more than one text comes from outside
// (an e-mail beside a date, a remark beside a protocol). With room for all, each item is as wide
// as it asks and the rest goes to the stretches. Without, each item keeps at least its minimum
// and the room left is shared out evenly, an item never taking more than it asks: an ordinary
// text beside a long one stays whole, two long ones get half each. One-line labels give way with
// an ellipsis; an item whose minimum is its whole width (a figure, a button) never gives way.
class FairShareRow : public QLayout {
public:
    // What one item asks for: at least `minimum`, at most `wanted` pixels.
    struct Ask {
        int minimum = 0;
        int wanted = 0;
    };

    explicit FairShareRow(QWidget* parent = nullptr);
    ~FairShareRow() override;

    // The widths `asks` get in `room` pixels (the widths they want when that fits).
    static QList<int> shares(const QList<Ask>& asks, int room);

    // A flexible space that takes the room the items leave.
    void addStretch();
    void addLayout(QLayout* layout);

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect& rect) override;

private:
    static bool isStretch(const QLayoutItem* item);
    int gapsWidth() const;
    // The items' sizes added side by side, in their height the tallest.
    QSize sideBySide(QSize (QLayoutItem::*size)() const) const;

    QList<QLayoutItem*> m_items;
};
