#pragma once

#include "platform/process_runner.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QWaitCondition>

#include <functional>

// Records every command, from any thread, and answers from a handler (by default: exit 0, no
// output). While the gate is closed, a command that `holds` selects waits in its thread until the
// gate opens, so that a test can act while the command is under way. Only commands run off the
// test's thread may be held.
class GatedProcessRunner final : public ProcessRunner {
public:
    using Handler = std::function<ProcessResult(const ProcessRequest&)>;
    using Selector = std::function<bool(const ProcessRequest&)>;

    ProcessResult run(const ProcessRequest& request) override
    {
        Handler answer;
        {
            QMutexLocker locker(&m_mutex);
            m_requests.append(request);
            answer = m_handler;
            if (m_holds && m_holds(request)) {
                ++m_waiting;
                while (m_closed)
                    m_opened.wait(&m_mutex);
                --m_waiting;
            }
        }
        return answer ? answer(request) : ProcessResult{true, false, 0, {}};
    }

    void setHandler(Handler handler)
    {
        QMutexLocker locker(&m_mutex);
        m_handler = std::move(handler);
    }

    // Closes the gate for the selected commands.
    void hold(Selector holds)
    {
        QMutexLocker locker(&m_mutex);
        m_holds = std::move(holds);
        m_closed = true;
    }

    void release()
    {
        QMutexLocker locker(&m_mutex);
        m_closed = false;
        m_opened.wakeAll();
    }

    // How many commands wait at the gate.
    int waiting() const
    {
        QMutexLocker locker(&m_mutex);
        return m_waiting;
    }

    QList<ProcessRequest> requests() const
    {
        QMutexLocker locker(&m_mutex);
        return m_requests;
    }

    // "program arg…" of every command, oldest first.
    QStringList commandLines() const
    {
        QStringList lines;
        for (const auto& request : requests())
            lines.append(request.commandLine());
        return lines;
    }

    void clear()
    {
        QMutexLocker locker(&m_mutex);
        m_requests.clear();
    }

private:
    mutable QMutex m_mutex;
    QWaitCondition m_opened;
    QList<ProcessRequest> m_requests;
    Handler m_handler;
    Selector m_holds;
    bool m_closed = false;
    int m_waiting = 0;
};
