#include "app/app_context.h"
#include "ui/common/icons.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/shell_context.h"
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

    // Every long-lived object, built once in this order and freed in reverse.
    AppContext context(AppContext::Environment::native());
    ShellContext shell(context);
    VelmorandApp velmorand(shell.appServices());
    // Closing the window leaves the program in the status area.
    QApplication::setQuitOnLastWindowClosed(velmorand.delegate()->applicationShouldTerminateAfterLastWindowClosed());
    velmorand.launch();
    return QApplication::exec();
}
