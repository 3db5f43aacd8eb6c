#pragma once

#include "theme.h"

#include <QToolButton>

// A borderless symbol button (toolbar, eye toggle): the symbol alone, a faint rounded background on
// hover, and optionally a small red dot on its top-trailing corner.
class IconButton : public QToolButton {
    Q_OBJECT
public:
    explicit IconButton(const QString& symbol, int symbolSize = 16, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    // The symbol's colour role instead of the secondary text colour.
    void setTint(TextColor tint);
    bool badgeVisible() const { return m_badge; }
    void setBadgeVisible(bool visible);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_symbolSize;
    TextColor m_tint = TextColor::Secondary;
    bool m_badge = false;
};
