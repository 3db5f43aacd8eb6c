#pragma once

#include "api/records/plan_records.h"
#include "payment_method.h"
#include "ui/common/text_label.h"
#include "ui/common/theme.h"

#include <QAbstractButton>

class QLabel;

// White bold text on a filled capsule, on one line: a plan's tag, a coupon's discount.
QLabel* makeCapsule(const QString& text, const QColor& fill, TextStyle style, QWidget* parent = nullptr);

// A text from outside that the user may select while it shows whole, on at most `maxLines` lines
// wrapped at its words. Longer, or holding line breaks or direction controls, it shows on one line
// ending in "…" and cannot be selected: a selection of the part shown would not be the text.
class SelectableText : public TextLabel {
    Q_OBJECT
public:
    explicit SelectableText(int maxLines, QWidget* parent = nullptr);

    void setWholeText(const QString& text);
    bool isWhole() const { return !isOneLine(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool fitsWhole() const;
    void followRoom();

    int m_maxLines;
};

// A rounded panel with a fill and an outline, drawn behind a button's content.
class OutlinedButton : public QAbstractButton {
    Q_OBJECT
public:
    OutlinedButton(Theme& theme, QWidget* parent);

    QSize sizeHint() const override;

protected:
    struct Look {
        QColor fill;
        QColor outline;
        qreal width;
        qreal radius;
    };
    virtual Look look() const = 0;
    void paintEvent(QPaintEvent* event) override;
    Theme& m_theme;
};

// One plan of the price list: tag, period and limits, price and per-month hint, chevron.
class PlanRow : public OutlinedButton {
    Q_OBJECT
public:
    PlanRow(const Plan& plan, Theme& theme, QWidget* parent = nullptr);

    const Plan& plan() const { return m_plan; }
    QLabel* priceLabel() const { return m_price; }
    QLabel* hintLabel() const { return m_hint; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* limitsLabel() const { return m_limits; }
    // The tag's capsule; none without a tag.
    QLabel* tagLabel() const { return m_tag; }

protected:
    Look look() const override;

private:
    // The widest tag shown whole, in average characters.
    static constexpr int tagCharacters = 12;

    Plan m_plan;
    QLabel* m_tag = nullptr;
    QLabel* m_title;
    QLabel* m_limits;
    QLabel* m_price;
    QLabel* m_hint = nullptr;
};

// A payment way: its symbol over its title; tinted and outlined in the accent while selected.
class WayButton : public OutlinedButton {
    Q_OBJECT
public:
    WayButton(PaymentMethod method, const QString& title, const QString& symbol, Theme& theme,
              QWidget* parent = nullptr);

    PaymentMethod method() const { return m_method; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

protected:
    Look look() const override;

private:
    PaymentMethod m_method;
    bool m_selected = false;
};

// One of several pages shown at a time, as tall as the page shown (a stacked widget is as tall
// as its tallest page).
class PageSwitch : public QWidget {
    Q_OBJECT
public:
    explicit PageSwitch(QWidget* parent = nullptr);

    void addPage(QWidget* page);
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

private:
    QList<QWidget*> m_pages;
    int m_current = -1;
};
