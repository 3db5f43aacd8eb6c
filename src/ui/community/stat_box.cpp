#include "stat_box.h"

#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QLabel>

StatBox::StatBox(const Title& title, const QString& value, QWidget* parent)
    : ModernCard(Qt::AlignLeft, title.symbol.isEmpty() ? Spacing::xs : 6, parent)
{
    setContentsMargins(shadowMargin + Spacing::m, shadowMargin + Spacing::m, shadowMargin + Spacing::m,
                       shadowMargin + Spacing::m);
    const auto tint = title.tint.value_or(TextColor::Secondary);
    if (title.symbol.isEmpty())
        addWideRow(makeLabel(title.text, TextStyle::Caption, tint, this));
    else
        addWideRow(new SymbolLabel(title.symbol, title.text, TextStyle::Caption, tint, this));
    m_value = makeLabel(value, TextStyle::Title3, QFont::Bold, TextColor::Primary, this);
    m_value->setObjectName(QStringLiteral("statValue"));
    m_value->setMinimumWidth(0);
    m_value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWideRow(m_value);
}

QString StatBox::value() const { return m_value->text(); }
