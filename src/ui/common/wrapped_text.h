#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QTextLayout>

class QPainter;

// A text in lines of a given width, broken between words and, where one word is wider than the
// width, inside that word. Laying out a long text (every line of it) costs far more than drawing
// the few lines in view, and a label is asked its size many times at the same few widths: the
// size at each width asked is kept, and so are the lines at the width last laid out, of which
// only those in view are drawn. Everything is forgotten when the text, the font or the direction
// changes.
class WrappedText {
public:
    // Each a no-op when unchanged: a label hands them over before every question.
    void setText(const QString& text);
    void setFont(const QFont& font);
    void setDirection(Qt::LayoutDirection direction);

    struct Size {
        int width = 0; // of its widest line
        int height = 0;
    };
    // In lines of `width` pixels.
    Size sizeAt(int width);
    // The width of its widest word: where a line breaks between words only.
    int widestWord();

    // Draws the lines that cross `exposed` in `room`, placed across and up or down in it as
    // `alignment` says, with the painter's pen.
    void draw(QPainter& painter, const QRect& room, Qt::Alignment alignment, const QRect& exposed);

private:
    // Lays the text out in lines of `width`, broken as `wrap` says, unless it is so already.
    Size layOut(int width, QTextOption::WrapMode wrap);
    void forget();

    QString m_text;
    QFont m_font;
    Qt::LayoutDirection m_direction = Qt::LeftToRight;
    QTextLayout m_layout;
    // What the layout's lines are now.
    int m_linesWidth = -1;
    QTextOption::WrapMode m_linesWrap = QTextOption::NoWrap;
    Size m_linesSize;
    QHash<int, Size> m_sizes;
    int m_widestWord = -1;
};
