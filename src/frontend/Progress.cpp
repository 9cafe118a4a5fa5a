#include "frontend/Progress.h"

#include <cstdio>

namespace morvane {

Progress::Progress(std::ostream& out, bool enabled, unsigned long long totalBytes, const char* units)
    : out_(out), enabled_(enabled), totalBytes_(totalBytes), units_(units), start_(Clock::now()), last_(start_)
{}

void Progress::Update(unsigned long long done, unsigned long long bytesRead)
{
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    char line[128];
    int n = std::snprintf(line, sizeof line, "\r%llu %s, %.0f per second", done, units_, done / seconds);
    if (totalBytes_ > 0) std::snprintf(line + n, sizeof line - n, ", %.0f%% read", 100.0 * bytesRead / totalBytes_);
    out_ << line << "\x1b[K" << std::flush;
    shown_ = true;
}

void Progress::Clear()
{
    if (!shown_) return;
    out_ << "\r\x1b[K" << std::flush;
    shown_ = false;
}

}  // namespace morvane
