#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmorand"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORAND_VERSION));
    QLabel window(QStringLiteral("Velmorand"));
    window.resize(480, 320);
    window.show();
    return QApplication::exec();
}
