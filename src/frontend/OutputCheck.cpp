#include "frontend/OutputCheck.h"

#include "frontend/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

namespace morvane {

namespace {

std::string Reason(int err) { return std::strerror(err != 0 ? err : EIO); }

// Writes all `size` bytes of `data` to `fd`, resuming after interrupted or
// partial writes. Returns 0 or the errno of the failure.
int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }

bool FdOutputBuffer::Drain()
{
    if (error_ == 0) error_ = WriteAll(fd_, pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_, buffer_ + sizeof buffer_);
    return error_ == 0;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c)
{
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int FdOutputBuffer::sync() { return Drain() ? 0 : -1; }

void CheckStandardOutput()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open takes the lowest free number, which is fd itself here.
        const int reserved = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (reserved >= 0 && reserved != fd) {
            dup2(reserved, fd);
            close(reserved);
        }
    }
    // Never freed: std::cout may still be flushed after main returns.
    static FdOutputBuffer* const standardOutput = new FdOutputBuffer(STDOUT_FILENO);
    std::cout.rdbuf(standardOutput);
}

bool FlushOutput(std::ostream& out, std::string& reason)
{
    // Straight to the buffer: flush() does nothing on a stream already in
    // error, while a buffer's sync retries what it still holds.
    errno = 0;
    const bool synced = out.rdbuf() != nullptr && out.rdbuf()->pubsync() == 0;
    int err = errno;
    if (const auto* fdBuffer = dynamic_cast<const FdOutputBuffer*>(out.rdbuf())) err = fdBuffer->Error();
    if (synced && !out.fail()) return true;
    reason = Reason(err);
    return false;
}

int ReportOutputFailure(const char* program, const std::string& reason)
{
    std::fprintf(stderr, "%s: cannot write output: %s\n", program, reason.c_str());
    return OUTPUT_FAILURE_STATUS;
}

int FinishStandardOutput(int status, const char* program)
{
    std::string reason;
    if (!FlushOutput(std::cout, reason)) return ReportOutputFailure(program, reason);
    return status;
}

bool IsSameFile(const std::string& output, const std::string& input)
{
    struct stat out {}, in {};
    return stat(output.c_str(), &out) == 0 && S_ISREG(out.st_mode) && stat(input.c_str(), &in) == 0 &&
           out.st_dev == in.st_dev && out.st_ino == in.st_ino;
}

bool ReplaceFile(const std::string& path, const std::string& content, std::string& reason)
{
    FileReplacement file;
    const int fd = file.Open(path, reason);
    if (fd < 0) return false;
    if (const int err = WriteAll(fd, content.data(), content.size())) {
        reason = Reason(err);
        return false;  // the replacement removes its temporary file
    }
    return file.Commit(reason);
}

}  // namespace morvane
