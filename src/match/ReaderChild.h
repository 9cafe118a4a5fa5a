#ifndef MORVANE_MATCH_READERCHILD_H
#define MORVANE_MATCH_READERCHILD_H

#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>

namespace morvane {

// MSToolkit's reader ends its process on a file it cannot parse (it calls
// exit), so it runs in a child process that sends what it read through a
// pipe; the parent then reports the file as corrupt instead of ending.

// Starts a child process that runs `body` with the pipe's writing end, its
// standard output and error sent to /dev/null, and ends with the status
// `body` returns. Returns true with the pipe's reading end (`fd`, for the
// caller to close) and the child's id (for the caller to wait for), or
// false with the reason; nothing is then left open.
bool StartReaderChild(const std::function<int(int)>& body, int& fd, pid_t& child, std::string& reason);

// The parent's end of a reader child: closes the pipe and waits for the
// child once, at Finish, or when destroyed if an exception leaves first.
class ReaderEnd {
public:
    ReaderEnd(int fd, pid_t child) : fd_(fd), child_(child) {}
    ~ReaderEnd() { Finish(); }
    ReaderEnd(const ReaderEnd&) = delete;
    ReaderEnd& operator=(const ReaderEnd&) = delete;

    int fd() const { return fd_; }
    // Closes the pipe (so that a child still writing ends) and waits for
    // the child: its wait status (waitpid's), or the first call's again.
    int Finish();

private:
    int fd_;
    pid_t child_;
    int status_ = 0;
    bool finished_ = false;
};

// Writes all of `size` bytes; false when the pipe fails.
bool WriteAll(int fd, const void* data, std::size_t size);

// Reads exactly `size` bytes; false at the end of the pipe or on an error
// before that many came (`data` then partly written).
bool ReadAll(int fd, void* data, std::size_t size);

}  // namespace morvane

#endif
