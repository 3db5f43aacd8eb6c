#include "../process_runner.h"
#include "stand_ins.h"

#include <QProcess>

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
        process.setProcessEnvironment(StandIns::environment(request.environment));
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

std::unique_ptr<ProcessRunner> ProcessRunner::makeNative() { return std::make_unique<LinuxProcessRunner>(); }
