#include "ChildMemory.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

double ChildPeakMiB(const std::function<void()>& work)
{
    int fd[2];
    if (pipe(fd) != 0) std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
        work();
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        const long kib = u.ru_maxrss;
        if (write(fd[1], &kib, sizeof kib) != sizeof kib) _exit(1);
        _exit(0);
    }
    long kib = 0;
    if (read(fd[0], &kib, sizeof kib) != sizeof kib) kib = 0;
    close(fd[0]);
    close(fd[1]);
    waitpid(pid, nullptr, 0);
    return static_cast<double>(kib) / 1024.0;
}
