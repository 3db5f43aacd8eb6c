#include "window_frame.h"

#include <QList>
#include <QRegularExpression>

#include <cmath>

namespace WindowFrame {

QString toString(const QRect& frame)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

QRect fromString(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    QList<int> values;
    auto it = number.globalMatch(text);
    while (it.hasNext() && values.size() < 4) {
        const double value = it.next().captured().toDouble();
        values.append(std::isfinite(value) && std::abs(value) < 1e6 ? int(std::lround(value)) : 0);
    }
    while (values.size() < 4)
        values.append(0);
    return {values[0], values[1], values[2], values[3]};
}

} // namespace WindowFrame
