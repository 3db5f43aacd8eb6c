#pragma once

#include "status_looks.h"

#include "ui/common/text_label.h"

// A status word in a capsule: the word in the status colour on a faint fill of that colour.
class StatusBadge : public TextLabel {
    Q_OBJECT
public:
    explicit StatusBadge(const StatusLook& look, QWidget* parent = nullptr);

    TextColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextColor m_color;
};
