#pragma once

// The kernel's own reports of processes as they fork, start a program and change their user (the
// process events connector, over netlink), so that the program watcher places a process the
// moment it runs a new program instead of looking at every process in turn.
#include <QList>
#include <QString>

#include <memory>

class ProcessEvents {
public:
    struct Event {
        enum class Kind {
            // `pid` was forked by `parent`: it runs the parent's program and sits in its group.
            forked,
            // `pid` runs another program, or as another user: it may have become a listed one.
            changed,
        };
        Kind kind;
        qint64 pid = 0;
        qint64 parent = 0;
    };

    struct Batch {
        QList<Event> events;
        // Some reports were dropped (the kernel found our queue full): only a look at every
        // process tells where things stand.
        bool lost = false;
        // More reports were waiting than taken at once.
        bool more = false;
    };

    // Listening, or nullptr with the reason in *why (a kernel without the connector, a caller
    // that may not listen).
    static std::unique_ptr<ProcessEvents> listen(QString* why);
    ~ProcessEvents();
    ProcessEvents(const ProcessEvents&) = delete;
    ProcessEvents& operator=(const ProcessEvents&) = delete;

    // Readable when reports wait.
    int descriptor() const { return m_socket; }
    // The reports waiting, in the order the kernel sent them, without waiting for more.
    Batch take();

private:
    explicit ProcessEvents(int socket);

    const int m_socket;
};
