#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

struct ProcessRequest {
    QString program;
    QStringList arguments;
    QString workingDirectory;
    // Added to (or replacing entries of) the inherited environment.
    QMap<QString, QString> environment;
    // Negative: wait as long as it takes.
    std::chrono::milliseconds timeout{-1};

    // "program arg1 arg2": how tests and logs compare command lines.
    QString commandLine() const { return (QStringList{program} + arguments).join(QLatin1Char(' ')); }
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    // Standard output followed by standard error.
    QByteArray output;

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

// Runs a short-lived command to its end. The macOS command lines are handed in as they are; the
// implementation for this OS decides how to carry them out.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    virtual ProcessResult run(const ProcessRequest& request) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<ProcessRunner> makeNative();
};
