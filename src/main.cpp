#include "app/app_context.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "ui/common/first_paint_log.h"
#include "ui/common/icons.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/shell_context.h"
#include "ui/shell/termination_signals.h"
#include "ui/shell/velmorand_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The few patterns the program matches run a handful of times each: compiling them to machine
    // code would bring in half a megabyte of the expression library's compiler for nothing.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
    QApplication app(argc, argv);
    logFirstPaintWhenAsked();
    QApplication::setApplicationName(QStringLiteral("Velmorand"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORAND_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORAND_APP_ID));

    // A second launch only brings the running instance forward. It leaves before anything else
    // runs: the start-up clean-up would switch off the running connection's system proxy.
    SingleInstance instance(Paths::privateRuntimeDir());
    switch (instance.claim()) {
    case SingleInstance::Claim::running:
        break;
    case SingleInstance::Claim::handedOver:
        return 0;
    case SingleInstance::Claim::unanswered:
        return 1;
    }

    QApplication::setWindowIcon(Icons::appWindowIcon());
    quitOnTerminationSignals();

    // Every long-lived object, built once in this order and freed in reverse.
    AppContext context(AppContext::Environment::native());
    ShellContext shell(context);
    VelmorandApp velmorand(shell.appServices());
    QObject::connect(&instance, &SingleInstance::reopenRequested, &velmorand, &VelmorandApp::reopen);
    // Closing the window leaves the program in the status area.
    QApplication::setQuitOnLastWindowClosed(velmorand.delegate()->applicationShouldTerminateAfterLastWindowClosed());
    velmorand.launch();
    return QApplication::exec();
}
