#include "frontend/FileReplacement.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace morvane {

namespace {

std::string Reason(int err) { return std::strerror(err != 0 ? err : EIO); }

mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The temporary file a signal must not leave behind: one at a time, kept
// where a signal handler may read it.
char pendingTemp[PATH_MAX + 8];
volatile sig_atomic_t tempPending = 0;

// SIGXFSZ was set to be ignored while the file is open.
bool fileSizeIgnored = false;

extern "C" void RemovePendingTemp(int sig)
{
    if (tempPending) unlink(pendingTemp);
    signal(sig, SIG_DFL);
    raise(sig);
}

// The signals whose default action ends the process and that a handler can
// catch (SIGKILL and SIGSTOP cannot be), the real-time ones included; the
// file size limit's SIGXFSZ is left out (see Remember).
std::vector<int> EndingSignals()
{
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                                SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM,
                                SIGPROF, SIGIO,   SIGSYS};
#ifdef SIGSTKFLT
    signals.push_back(SIGSTKFLT);
#endif
#ifdef SIGPWR
    signals.push_back(SIGPWR);
#endif
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) signals.push_back(sig);
    return signals;
}

// Watches `path` until Forget(): every signal that would end the run
// removes it first, then ends the run as it would have. Past the file size
// limit a write fails (EFBIG) instead of ending the run by SIGXFSZ, so the
// failure is reported and the file removed like any other write error.
// Signals that the caller set to be ignored or handled are left alone.
void Remember(const std::string& path)
{
    if (path.size() >= sizeof pendingTemp) return;
    std::memcpy(pendingTemp, path.c_str(), path.size() + 1);
    tempPending = 1;
    for (int sig : EndingSignals()) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) signal(sig, RemovePendingTemp);
    }
    struct sigaction old {};
    if (sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
        signal(SIGXFSZ, SIG_IGN);
        fileSizeIgnored = true;
    }
}

void Forget()
{
    tempPending = 0;
    if (fileSizeIgnored) signal(SIGXFSZ, SIG_DFL);
    fileSizeIgnored = false;
}

}  // namespace

FileReplacement::~FileReplacement() { Abandon(); }

void FileReplacement::Abandon()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        Forget();
    }
    temp_.clear();
}

int FileReplacement::Open(const std::string& path, std::string& reason)
{
    Abandon();
    target_ = path;
    mode_t mode = NewFileMode();
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0) reason = Reason(errno);
            return fd_;
        }
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved != nullptr) target_ = resolved;
        std::free(resolved);
        mode = st.st_mode & 07777;
    }
    std::vector<char> name(target_.begin(), target_.end());
    for (char c : std::string(".XXXXXX")) name.push_back(c);
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        reason = Reason(errno);
        return -1;
    }
    temp_ = name.data();
    Remember(temp_);
    if (fchmod(fd_, mode) != 0) {
        reason = Reason(errno);
        Abandon();
        return -1;
    }
    return fd_;
}

bool FileReplacement::Commit(std::string& reason)
{
    int err = close(fd_) != 0 ? errno : 0;
    fd_ = -1;
    if (err == 0 && !temp_.empty() && std::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
    if (err == 0) {
        temp_.clear();
        Forget();
        return true;
    }
    reason = Reason(err);
    Abandon();
    return false;
}

}  // namespace morvane
