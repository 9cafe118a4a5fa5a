#ifndef MORVANE_FRONTEND_FDINPUT_H
#define MORVANE_FRONTEND_FDINPUT_H

#include <streambuf>

namespace morvane {

// A buffered input from a file descriptor that remembers why a read failed
// (a closed descriptor, a directory, an I/O error), where std::cin and
// std::ifstream only see an end of input. After a failed read it gives
// nothing more.
class FdInputBuffer : public std::streambuf {
public:
    explicit FdInputBuffer(int fd) : fd_(fd) {}
    FdInputBuffer(const FdInputBuffer&) = delete;
    FdInputBuffer& operator=(const FdInputBuffer&) = delete;
    // errno of the first failed read, 0 while every read succeeded.
    int Error() const { return error_; }

protected:
    int_type underflow() override;

private:
    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

}  // namespace morvane

#endif
