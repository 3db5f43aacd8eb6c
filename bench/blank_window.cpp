// The yardstick of the desktop benchmarks: the smallest Qt Widgets window showing one line of
// Chinese text. It logs its first paint as the application does (VELMORAND_FIRST_PAINT_LOG), so
// that both programs' start-up is measured the same way.
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
    label.resize(400, 120);
    label.show();
    return QApplication::exec();
}
