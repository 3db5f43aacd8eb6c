#include "linux_child_process.h"

#include "platform/linux/stand_ins.h"

#include <QProcess>

#include <sys/prctl.h>

#include <csignal>

namespace {

class LinuxChildProcess final : public ChildProcess {
public:
    explicit LinuxChildProcess(const ProcessRequest& request)
    {
        m_process.setProgram(StandIns::programFor(request.program));
        m_process.setArguments(request.arguments);
        if (!request.workingDirectory.isEmpty())
            m_process.setWorkingDirectory(request.workingDirectory);
        m_process.setProcessEnvironment(StandIns::environment(request.environment));
        // The child ends with the application, even when it crashes: an orphaned core would keep
        // the proxy ports and make every later start fail.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        connect(&m_process, &QProcess::readyReadStandardOutput, this,
                [this] { emit standardOutputRead(m_process.readAllStandardOutput()); });
        connect(&m_process, &QProcess::readyReadStandardError, this,
                [this] { emit standardErrorRead(m_process.readAllStandardError()); });
        connect(&m_process, &QProcess::finished, this, [this] { emit finished(); });
    }

    ~LinuxChildProcess() override
    {
        // Whatever the process does while QProcess tears it down belongs to no one any more.
        m_process.disconnect(this);
    }

    bool start() override
    {
        m_process.start();
        return m_process.waitForStarted();
    }
    QString errorString() const override { return m_process.errorString(); }
    qint64 processId() const override { return m_process.processId(); }
    bool isRunning() const override { return m_process.state() != QProcess::NotRunning; }
    void terminate() override { m_process.terminate(); }
    void kill() override { m_process.kill(); }
    bool waitForFinished(std::chrono::milliseconds limit) override
    {
        return !isRunning() || m_process.waitForFinished(int(limit.count()));
    }

private:
    QProcess m_process;
};

} // namespace

std::unique_ptr<ChildProcess> LinuxChildProcessLauncher::create(const ProcessRequest& request)
{
    return std::make_unique<LinuxChildProcess>(request);
}

std::unique_ptr<ChildProcessLauncher> ChildProcessLauncher::makeNative()
{
    return std::make_unique<LinuxChildProcessLauncher>();
}
