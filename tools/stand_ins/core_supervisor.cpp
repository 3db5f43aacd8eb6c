#include "core_supervisor.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace CoreSupervisor {

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kGraceMs = 500;
constexpr int kPollMs = 10;

int statusOf(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus); }

// The core's exit status once it has ended; -1 while it runs.
int reaped(pid_t core)
{
    int waitStatus = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(core, &waitStatus, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result == core ? statusOf(waitStatus) : -1;
}

int endCore(pid_t core)
{
    ::kill(core, SIGTERM);
    const timespec pause{0, kPollMs * 1000 * 1000};
    for (int waited = 0; waited < kGraceMs; waited += kPollMs) {
        if (const int status = reaped(core); status >= 0)
            return status;
        ::nanosleep(&pause, nullptr);
    }
    ::kill(core, SIGKILL);
    int waitStatus = 0;
    while (::waitpid(core, &waitStatus, 0) < 0 && errno == EINTR) {}
    return statusOf(waitStatus);
}

} // namespace

void endWithParent()
{
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have ended before the request was in place; we then belong to another.
    if (::getppid() != parent || parent == 1)
        std::_Exit(1);
}

int run(const char* program, char* const arguments[])
{
    // Blocked before the core exists, so that none of them is lost before the wait below.
    sigset_t watched;
    sigset_t previous;
    ::sigemptyset(&watched);
    for (const int signal : kEndingSignals)
        ::sigaddset(&watched, signal);
    ::sigaddset(&watched, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &watched, &previous);
    // An ignored SIGCHLD, inherited across exec, would have the core reaped unseen.
    ::signal(SIGCHLD, SIG_DFL);

    const pid_t core = ::fork();
    if (core < 0) {
        std::fprintf(stderr, "xray: cannot start %s: %s\n", program, std::strerror(errno));
        return 1;
    }
    if (core == 0) {
        // Kept by the kernel only where the exec gains no capability (run by root, or a core
        // without them); elsewhere the wrapper's own handling below is what ends the core.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        ::execv(program, arguments);
        std::fprintf(stderr, "xray: %s: %s\n", program, std::strerror(errno));
        std::_Exit(127);
    }

    for (;;) {
        int signal = 0;
        if (::sigwait(&watched, &signal) != 0)
            continue;
        if (signal != SIGCHLD)
            return endCore(core);
        if (const int status = reaped(core); status >= 0)
            return status;
    }
}

} // namespace CoreSupervisor
