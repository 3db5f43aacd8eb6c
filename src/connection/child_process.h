#pragma once

#include "platform/process_runner.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

// A child process that keeps running beside the application (the proxy core, its traffic
// monitor), with its output handed over in chunks as it arrives. Signals come on the thread that
// created the child.
class ChildProcess : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False, with the reason in errorString(), when the program could not be started.
    virtual bool start() = 0;
    virtual QString errorString() const = 0;
    virtual qint64 processId() const = 0;
    virtual bool isRunning() const = 0;
    // Asks the child to end (SIGTERM).
    virtual void terminate() = 0;
    // Ends it at once (SIGKILL).
    virtual void kill() = 0;
    // Waits up to the limit for the child to end; true once it has ended.
    virtual bool waitForFinished(std::chrono::milliseconds limit) = 0;

signals:
    void standardOutputRead(const QByteArray& chunk);
    void standardErrorRead(const QByteArray& chunk);
    // After the last output of both streams.
    void finished();
};

// Makes child processes. The program and arguments are the macOS ones; the implementation for
// this OS decides how to carry them out, as the process runner does.
class ChildProcessLauncher {
public:
    virtual ~ChildProcessLauncher() = default;
    // A child for the request, not started yet, so that the caller can connect first.
    virtual std::unique_ptr<ChildProcess> create(const ProcessRequest& request) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<ChildProcessLauncher> makeNative();
};
