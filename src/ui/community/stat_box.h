#pragma once

#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

#include <optional>

class QLabel;

// One figure of a summary row: a caption title (with its symbol and tint, or plain secondary)
// above the value in bold. The boxes of a row share its width equally.
class StatBox : public ModernCard {
    Q_OBJECT
public:
    struct Title {
        QString text;
        QString symbol; // empty: no symbol
        std::optional<TextColor> tint; // absent: the secondary text colour
    };

    StatBox(const Title& title, const QString& value, QWidget* parent = nullptr);

    QString value() const;

private:
    QLabel* m_value;
};
