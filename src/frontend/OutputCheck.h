#ifndef MORVANE_FRONTEND_OUTPUTCHECK_H
#define MORVANE_FRONTEND_OUTPUTCHECK_H

// Checked output for the command-line tools: a run whose output did not
// reach its destination (full disk, closed or broken standard output, file
// size limit, any stream error, the final flush included) must not end with
// a success status.
//
// Use in a tool's main:
//     CheckStandardOutput();
//     const int status = RunTheTool(...);          // writes to std::cout
//     return FinishStandardOutput(status, "morvane");
//
// A broken pipe with SIGPIPE at its default still ends the process by the
// signal, as for any program; with SIGPIPE ignored the write fails with
// EPIPE and is reported here like any other write error.

#include <streambuf>
#include <string>

#include "core/Status.h"

namespace morvane {

// A buffered output to a file descriptor that remembers why a write failed.
// After the first failed write it refuses all further output, so that the
// stream using it goes bad and writes nothing more.
class FdOutputBuffer : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd);
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;
    // errno of the first failed write, 0 while every write succeeded.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool Drain();

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

// Call first in main. Reopens a standard descriptor (0, 1, 2) that the
// caller left closed on /dev/null in the unusable direction, so that no
// file opened later takes its number and writes to a closed standard
// output fail with EBADF; then routes std::cout through an FdOutputBuffer
// on descriptor 1 (the bytes written are the same as before).
void CheckStandardOutput();

// Flushes `out` and tells whether everything written to it so far got
// through. On failure `reason` receives the system's words for the error
// (as "No space left on device"); the reason is exact for a stream on an
// FdOutputBuffer, a best effort for other streams.
bool FlushOutput(std::ostream& out, std::string& reason);

// Writes "<program>: cannot write output: <reason>\n" to standard error
// and returns OUTPUT_FAILURE_STATUS.
int ReportOutputFailure(const char* program, const std::string& reason);

// The end of a tool's run: flushes std::cout and returns `status` when all
// of it was written, else reports the failure on standard error and returns
// OUTPUT_FAILURE_STATUS whatever `status` was (a lost error message is a
// lost output too).
int FinishStandardOutput(int status, const char* program);

// Whether `output` names an existing regular file that is `input` itself,
// however either is named (symbolic and hard links, other paths): writing
// the output would destroy the input.
bool IsSameFile(const std::string& output, const std::string& input);

// Writes `content` to `path` through a FileReplacement: a temporary file
// beside it, renamed into place once complete. Returns true when `path`
// holds the whole content. On failure whatever was at `path` before is
// untouched (a special file may have got part of the content), and
// `reason` receives the system's words for the error.
bool ReplaceFile(const std::string& path, const std::string& content, std::string& reason);

}  // namespace morvane

#endif
