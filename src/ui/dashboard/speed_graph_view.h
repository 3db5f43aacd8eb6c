#pragma once

#include <QList>
#include <QWidget>

// The live traffic graph: download and upload rate samples as two filled lines over a faint grid.
// It has no timer: it repaints only when it is handed samples that differ from those it shows,
// and while it or its window is hidden or minimised it only keeps them and repaints once on return.
class SpeedGraphView : public QWidget {
    Q_OBJECT
public:
    explicit SpeedGraphView(QWidget* parent = nullptr);

    void setData(const QList<qint64>& downData, const QList<qint64>& upData);
    const QList<qint64>& downData() const { return m_downData; }
    const QList<qint64>& upData() const { return m_upData; }

    QSize sizeHint() const override { return {240, 72}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onScreen() const;
    void repaintIfStale();

    bool m_stale = false;
    QList<qint64> m_downData;
    QList<qint64> m_upData;
};
