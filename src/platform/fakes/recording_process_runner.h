#pragma once

#include "../process_runner.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <functional>

// Records every command and answers from a handler (by default: started, exit 0, no output).
// Commands may run on other threads; commandLines() may be read meanwhile, `requests` only once
// they are done.
class RecordingProcessRunner final : public ProcessRunner {
public:
    using Handler = std::function<ProcessResult(const ProcessRequest&)>;

    ProcessResult run(const ProcessRequest& request) override
    {
        {
            QMutexLocker locker(&m_mutex);
            requests.append(request);
        }
        if (handler)
            return handler(request);
        return succeeded();
    }

    QStringList commandLines() const
    {
        QMutexLocker locker(&m_mutex);
        QStringList lines;
        for (const auto& r : requests)
            lines.append(r.commandLine());
        return lines;
    }

    static ProcessResult succeeded(const QByteArray& output = {}) { return {true, false, 0, output}; }
    static ProcessResult failed(int exitCode = 1, const QByteArray& output = {})
    {
        return {true, false, exitCode, output};
    }

    QList<ProcessRequest> requests;
    Handler handler;

private:
    mutable QMutex m_mutex;
};
