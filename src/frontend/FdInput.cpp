#include "frontend/FdInput.h"

#include <unistd.h>

#include <cerrno>

namespace morvane {

FdInputBuffer::int_type FdInputBuffer::underflow()
{
    if (error_ != 0) return traits_type::eof();
    ssize_t n;
    do {
        n = read(fd_, buffer_, sizeof buffer_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) error_ = errno;
    if (n <= 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + n);
    return traits_type::to_int_type(buffer_[0]);
}

}  // namespace morvane
