#pragma once

#include "spinner.h"
#include "theme.h"

#include <QColor>
#include <QPushButton>

#include <optional>

// A push button drawn in the application's look.
//  Prominent: filled with the accent (or its tint) and white text: the main action of a screen.
//  Bordered: a framed control-coloured button.
//  Plain: text only, with a faint hover background.
//  Link: text only in the accent (or its text colour), underlined on hover.
// Buttons never become default on their own: a screen sets the default button where Return should
// press it.
class Button : public QPushButton {
    Q_OBJECT
public:
    enum class Style { Prominent, Bordered, Plain, Link };
    enum class Size { Regular, Large };

    explicit Button(const QString& text, Style style = Style::Bordered, QWidget* parent = nullptr);

    Style buttonStyle() const { return m_style; }
    void setButtonStyle(Style style);
    void setControlSize(Size size);
    // The fill of a prominent button, or the text of a plain or link button, instead of the
    // accent (prominent, link) or the text colour (plain).
    void setTint(std::optional<TextColor> tint);
    // A bundled symbol before the text; empty for none.
    void setSymbol(const QString& symbol);
    QString symbol() const { return m_symbol; }
    // Shows a spinner before the text.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // Fixed width of the label area (text and spinner), as a sized label; 0 for the natural width.
    void setLabelWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor textColor() const;
    int controlHeight() const;
    int contentWidth() const;

    Style m_style;
    Size m_size = Size::Regular;
    std::optional<TextColor> m_tint;
    QString m_symbol;
    bool m_busy = false;
    bool m_hovered = false;
    int m_labelWidth = 0;
    SpinnerAnimation m_spinner;
};
