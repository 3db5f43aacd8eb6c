// The yardstick of the desktop benchmarks: the smallest Qt Widgets window showing one line of
// Chinese text. It logs its first paint as the application does (VELMORAND_FIRST_PAINT_LOG), so
// that both programs' start-up is measured the same way. `--size WxH` gives it another size: the
// window's pixels take memory of their own (4 bytes each), which a comparison of content leaves out.
#include "ui/common/first_paint_log.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    logFirstPaintWhenAsked();
    QLabel label(QStringLiteral("仪表盘：已连接"));
    label.setWindowTitle(QStringLiteral("blank"));
    label.setAlignment(Qt::AlignCenter);
    QSize size(400, 120);
    const auto arguments = QApplication::arguments();
    const auto at = arguments.indexOf(QStringLiteral("--size"));
    if (at > 0 && at + 1 < arguments.size()) {
        const auto sides = arguments.at(at + 1).split(QLatin1Char('x'));
        if (sides.size() == 2 && sides[0].toInt() > 0 && sides[1].toInt() > 0)
            size = QSize(sides[0].toInt(), sides[1].toInt());
    }
    label.resize(size);
    label.show();
    return QApplication::exec();
}
