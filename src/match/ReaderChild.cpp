#include "ReaderChild.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane {

bool StartReaderChild(const std::function<int(int)>& body, int& fd, pid_t& child, std::string& reason)
{
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "cannot make a pipe for the reader";
        return false;
    }
    child = fork();
    if (child == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        _exit(body(fds[1]));
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        reason = "cannot start the reader";
        return false;
    }
    fd = fds[0];
    return true;
}

int ReaderEnd::Finish()
{
    if (!finished_) {
        finished_ = true;
        close(fd_);
        waitpid(child_, &status_, 0);
    }
    return status_;
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace morvane
