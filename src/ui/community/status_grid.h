#pragma once

#include <QList>
#include <QWidget>

class QGridLayout;

// Tiles in as many columns of at least `minimumColumnWidth` as fit side by side, re-flowed when
// the width changes.
class StatusGrid : public QWidget {
    Q_OBJECT
public:
    StatusGrid(int minimumColumnWidth, int spacing, QWidget* parent = nullptr);

    void addTile(QWidget* tile);
    // How many columns `width` pixels hold.
    static int columnsFor(int width, int minimumColumnWidth, int spacing);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void reflow();

    int m_minimumColumnWidth;
    int m_spacing;
    int m_columns = 0;
    QGridLayout* m_grid;
    QList<QWidget*> m_tiles;
};
