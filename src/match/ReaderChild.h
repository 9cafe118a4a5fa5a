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

// Writes all of `size` bytes; false when the pipe fails.
bool WriteAll(int fd, const void* data, std::size_t size);

// Reads exactly `size` bytes; false at the end of the pipe or on an error
// before that many came (`data` then partly written).
bool ReadAll(int fd, void* data, std::size_t size);

}  // namespace morvane

#endif
