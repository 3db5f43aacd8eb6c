#pragma once

#include "theme.h"
#include "wrapped_text.h"

#include <QLabel>

// The one label of the screens. Its text is always plain: markup in a text from the service, a
// subscription or another program shows as written and nothing in it becomes a link or an image.
// The calls that would make it rich are not there to make.
class TextLabel : public QLabel {
    Q_OBJECT

public:
    explicit TextLabel(const QString& text = QString(), QWidget* parent = nullptr);

    void setTextFormat(Qt::TextFormat) = delete;
    void setOpenExternalLinks(bool) = delete;

    // A one-line label draws its text on one line whatever it holds (see oneLine()) and cuts it
    // with an ellipsis to the room it has; its minimum width is that of the ellipsis, so that a
    // long text never widens the window. A cut text shows more of itself as the tooltip, unless
    // the label has a tooltip of its own. Selectable, it keeps that size but shows the text as
    // the label lays it out, clipped at its end, with the selection.
    void setOneLine(bool oneLine);
    bool isOneLine() const { return m_oneLine; }
    // The text as drawn.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isSelectable() const;
    // A wrapping label that draws its text itself: it breaks a word longer than its room
    // anywhere rather than growing to the word's width. (Selectable text is drawn by the label,
    // which clips such a word; the label is as wide either way.)
    bool wrapsAnywhere() const;
    // Its text as it draws it: laid out once per width, kept until the text or the font changes.
    WrappedText& wrappedText() const;
    // The size the label would take for its text: lines of about 80 characters, narrower for a
    // text of a few lines, as a bare label picks it.
    QSize preferredSize() const;
    QRect textRoom() const;
    QSize withMargins(QSize text) const;

    bool m_oneLine = false;
    mutable WrappedText m_wrapped;
};

// A label in one of the text styles and colour roles, following the theme.
TextLabel* makeLabel(const QString& text, TextStyle style = TextStyle::Body, TextColor color = TextColor::Primary,
                     QWidget* parent = nullptr);
void setTextColor(QLabel* label, TextColor color);
// The same with another weight than the style's own.
TextLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color = TextColor::Primary,
                     QWidget* parent = nullptr);
// A label that wraps its text at word boundaries.
TextLabel* makeWrappedLabel(const QString& text, TextStyle style, TextColor color = TextColor::Primary,
                            QWidget* parent = nullptr);
// A one-line label, for a name in a row or a card.
TextLabel* makeOneLineLabel(const QString& text, TextStyle style, TextColor color = TextColor::Primary,
                            QWidget* parent = nullptr);
TextLabel* makeOneLineLabel(const QString& text, TextStyle style, QFont::Weight weight,
                            TextColor color = TextColor::Primary, QWidget* parent = nullptr);
