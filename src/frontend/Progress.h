#ifndef MORVANE_FRONTEND_PROGRESS_H
#define MORVANE_FRONTEND_PROGRESS_H

#include <chrono>
#include <ostream>

namespace morvane {

// A progress line on a terminal: formulas (or other units) done, their rate
// and, when the input's size is known, the share of it read. Rewritten in place at most
// five times a second; a disabled one writes nothing.
class Progress {
public:
    // `totalBytes` 0: the input's size is unknown. `units` names what is
    // counted.
    Progress(std::ostream& out, bool enabled, unsigned long long totalBytes, const char* units = "formulas");

    void Update(unsigned long long done, unsigned long long bytesRead);
    // Removes the line, so that other text can be written on the terminal.
    void Clear();

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& out_;
    bool enabled_;
    bool shown_ = false;
    unsigned long long totalBytes_;
    const char* units_;
    Clock::time_point start_;
    Clock::time_point last_;
};

}  // namespace morvane

#endif
