#pragma once

#include <QStringList>
#include <QWidget>

// A row of segments of which one is chosen, as a segmented picker; `activated` tells of the
// user's choice only, so setting the shown value never acts.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(const QStringList& segments, QWidget* parent = nullptr);

    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    QRect segmentRect(int index) const;
    QStringList segments() const { return m_segments; }

    QSize sizeHint() const override;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QStringList m_segments;
    int m_current = 0;
};
