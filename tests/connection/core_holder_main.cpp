// Starts the proxy core the way the application does and holds it until killed: the stand-in
// for an application that crashes while connected.
//   velmorand_core_holder RUNTIME_DIR
// Prints "started PID" (the core's process id as the application knows it) once the core
// listens, or "failed: REASON" and ends with status 1.
#include "connection/linux_child_process.h"
#include "connection/xray_error.h"
#include "connection/xray_manager.h"
#include "support/core_test_environment.h"
#include "support/temp_settings.h"

#include <QCoreApplication>
#include <QCoroTask>

#include <cstdio>

namespace {

QCoro::Task<> startAndReport(XrayManager* manager)
{
    try {
        co_await manager->start(idleLoopbackNode(), QStringLiteral("127.0.0.1"));
        std::printf("started %lld\n", static_cast<long long>(manager->processId().value_or(0)));
    } catch (const XrayError& error) {
        std::printf("failed: %s\n", qPrintable(error.description()));
        QCoreApplication::exit(1);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QString why;
    const auto options = loopbackCoreOptions(application.arguments().value(1), &why);
    if (!options) {
        std::printf("failed: %s\n", qPrintable(why));
        return 1;
    }
    TempSettings settings;
    LinuxChildProcessLauncher launcher;
    XrayManager manager(*settings.store, launcher, *options);
    auto starting = startAndReport(&manager);
    return application.exec();
}
