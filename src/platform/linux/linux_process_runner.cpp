#include "../process_runner.h"
#include "stand_ins.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

class LinuxProcessRunner final : public ProcessRunner {
public:
    ProcessResult run(const ProcessRequest& request) override
    {
        QProcess process;
        process.setProgram(StandIns::programFor(request.program));
        process.setArguments(request.arguments);
        if (!request.workingDirectory.isEmpty())
            process.setWorkingDirectory(request.workingDirectory);
        auto env = QProcessEnvironment::systemEnvironment();
        for (auto it = request.environment.cbegin(); it != request.environment.cend(); ++it)
            env.insert(it.key(), it.value());
        env.insert(QStringLiteral("PATH"), StandIns::directory() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);

        ProcessResult result;
        process.start();
        if (!process.waitForStarted())
            return result;
        result.started = true;
        const int limit = request.timeout.count() < 0 ? -1 : static_cast<int>(request.timeout.count());
        if (!process.waitForFinished(limit)) {
            result.timedOut = true;
            process.kill();
            process.waitForFinished(1000);
        }
        result.output = process.readAllStandardOutput() + process.readAllStandardError();
        if (!result.timedOut)
            result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return result;
    }
};

} // namespace

ProcessRunner& ProcessRunner::shared()
{
    static LinuxProcessRunner runner;
    return runner;
}
