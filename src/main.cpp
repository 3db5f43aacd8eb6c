#include "ui/common/icons.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/termination_signals.h"
#include "ui/shell/velmorand_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmorand"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORAND_VERSION));
    QApplication::setWindowIcon(Icons::appWindowIcon());
    quitOnTerminationSignals();

    VelmorandApp velmorand(VelmorandApp::sharedServices());
    // Closing the window leaves the program in the status area.
    QApplication::setQuitOnLastWindowClosed(velmorand.delegate()->applicationShouldTerminateAfterLastWindowClosed());
    velmorand.launch();
    return QApplication::exec();
}
