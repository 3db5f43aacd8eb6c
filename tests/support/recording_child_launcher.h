#pragma once

#include "connection/child_process.h"

#include <QEvent>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

// What a fake child did; it outlives the child, so tests can look after its owner deleted it.
struct FakeChildRecord {
    bool running = false;
    int terminateRequests = 0;
    bool killed = false;
    QList<std::chrono::milliseconds> waits;
};

// A child process that only pretends: the test decides whether it starts, what it prints, whether
// it heeds a termination request, and when it ends.
class FakeChildProcess final : public ChildProcess {
public:
    FakeChildProcess(ProcessRequest request, qint64 pid)
        : request(std::move(request))
        , pid(pid)
    {
    }

    bool start() override
    {
        if (!startSucceeds)
            return false;
        record->running = true;
        if (onStart)
            onStart(*this);
        return true;
    }
    QString errorString() const override { return startError; }
    qint64 processId() const override { return pid; }
    bool isRunning() const override { return record->running; }
    void terminate() override
    {
        ++record->terminateRequests;
        if (!ignoresTerminate)
            end();
    }
    void kill() override
    {
        record->killed = true;
        if (!ignoresKill)
            end();
    }
    bool waitForFinished(std::chrono::milliseconds limit) override
    {
        record->waits.append(limit);
        return !record->running;
    }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::DeferredDelete && outlivesRelease)
            return true;
        return ChildProcess::event(event);
    }

    void print(const QByteArray& text) { emit standardOutputRead(text); }
    void printError(const QByteArray& text) { emit standardErrorRead(text); }
    // The process ends (by itself, or because it was told to).
    void end()
    {
        if (!record->running)
            return;
        record->running = false;
        emit finished();
    }

    const ProcessRequest request;
    const qint64 pid;
    const std::shared_ptr<FakeChildRecord> record = std::make_shared<FakeChildRecord>();
    bool startSucceeds = true;
    QString startError = QStringLiteral("No such file or directory");
    bool ignoresTerminate = false;
    bool ignoresKill = false;
    // Its owner's deferred delete is ignored, so that the test can make it end later; the test
    // deletes it.
    bool outlivesRelease = false;
    std::function<void(FakeChildProcess&)> onStart;
};

// Records every child it makes; `configure` prepares each one before the caller sees it.
class RecordingChildLauncher final : public ChildProcessLauncher {
public:
    struct Made {
        ProcessRequest request;
        std::shared_ptr<FakeChildRecord> record;
        // Null once its owner has deleted it.
        QPointer<FakeChildProcess> child;
    };

    std::unique_ptr<ChildProcess> create(const ProcessRequest& request) override
    {
        auto child = std::make_unique<FakeChildProcess>(request, 4000 + made.size());
        if (configure)
            configure(*child);
        made.append({request, child->record, child.get()});
        return child;
    }

    // What was made for a program, oldest first.
    QList<Made> madeFor(const QString& program) const
    {
        QList<Made> found;
        for (const auto& m : made)
            if (m.request.program == program)
                found.append(m);
        return found;
    }

    std::function<void(FakeChildProcess&)> configure;
    QList<Made> made;
};
