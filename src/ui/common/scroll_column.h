#pragma once

#include <QScrollArea>

class QVBoxLayout;

// Makes `area` show the window behind it: no frame, no fill; its scroll bar keeps the toolkit's look.
void makeSeeThrough(QScrollArea* area);
// Puts `content` into a see-through `area`, unfilled (a scroll area fills what it is given).
void setSeeThroughWidget(QScrollArea* area, QWidget* content);

// A vertical scroll area (indicator shown when needed) holding one column that its screen fills
// and rebuilds.
class ScrollColumn : public QScrollArea {
    Q_OBJECT
public:
    ScrollColumn(int spacing, QMargins margins, QWidget* parent = nullptr);

    QVBoxLayout* column() const { return m_column; }
    QWidget* content() const { return widget(); }
    // Removes every row (rows are widgets and spaces). The row widgets are deleted once control is back in the event
    // loop, so a row may clear the column from its own handler.
    void clear();
    // The scroll bar, while shown, stands in the column's right margin instead of narrowing the
    // rows: they keep the right edge of what stands above or below the scroll area.
    void setScrollBarInMargin();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitRightMargin();

    QVBoxLayout* m_column;
    QMargins m_margins;
    bool m_scrollBarInMargin = false;
};
