// Once told to go (a line on its input), starts a program the way some launchers do: a new process
// made with clone(CLONE_PARENT), so that the kernel reports this program's parent as the new
// one's; then waits until it is ended.
//   velmorand_clone_parent PROGRAM [ARGUMENT...]
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmorand_clone_parent PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    // Byte by byte: what follows the line is the program's.
    for (char c = 0; c != '\n';)
        if (::read(0, &c, 1) != 1)
            return 1;
    // The raw call: like fork, but the child is its parent's sibling.
    const long child = ::syscall(SYS_clone, CLONE_PARENT, nullptr, nullptr, nullptr, nullptr);
    if (child < 0) {
        std::perror("clone");
        return 1;
    }
    if (child == 0) {
        ::execv(argv[1], argv + 1);
        std::perror("execv");
        _exit(127);
    }
    for (;;)
        ::pause();
}
