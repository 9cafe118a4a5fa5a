#ifndef MORVANE_ENGINE_MASSBINS_H
#define MORVANE_ENGINE_MASSBINS_H

#include <cmath>
#include <cstdint>

namespace morvane {

// Equal slices of a mass range [lowest, highest]. The index never
// decreases as the mass grows (each rounding step is monotonic), so equal
// masses share a bin and the bins are in mass order: sorting each bin and
// visiting the bins in turn gives the order of one sort of everything.
// A range that is empty or not finite is one bin.
class MassBins {
public:
    MassBins(double lowest, double highest, std::uint32_t wanted) : low(lowest), scale(0), count(1)
    {
        const double width = highest - lowest;
        const double s = static_cast<double>(wanted) / width;
        if (wanted > 1 && width > 0 && std::isfinite(lowest) && std::isfinite(s)) {
            scale = s;
            count = wanted;
        }
    }

    std::uint32_t Count() const { return count; }

    // Masses below the range go to bin 0, above it (and NaN) to the last.
    std::uint32_t Index(double mass) const
    {
        const double t = (mass - low) * scale;
        if (t < static_cast<double>(count)) return t > 0 ? static_cast<std::uint32_t>(t) : 0;
        return count - 1;
    }

    // A mass below every mass of bin b and above every mass of the bins
    // before it, give or take rounding; -inf for bin 0, +inf for b = count.
    double Edge(std::uint32_t b) const
    {
        if (b == 0) return -HUGE_VAL;
        if (b >= count) return HUGE_VAL;
        return low + static_cast<double>(b) / scale;
    }
    // More than the rounding error of Edge and Index.
    double Slack() const { return count > 1 ? 1e-9 * (std::fabs(low) + static_cast<double>(count) / scale) : 0; }

private:
    double low;
    double scale;
    std::uint32_t count;
};

// The bins begin..end-1 of a MassBins, and a mass range [low, high] that
// holds every mass of them (wider by far more than any rounding).
struct BinWindow {
    BinWindow(const MassBins* b, std::uint32_t first, std::uint32_t last) : bins(b), begin(first), end(last)
    {
        low = b->Edge(first) - b->Slack();
        high = b->Edge(last) + b->Slack();
    }

    bool Holds(std::uint32_t bin) const { return bin >= begin && bin < end; }

    const MassBins* bins;
    std::uint32_t begin;
    std::uint32_t end;
    double low, high;
};

}  // namespace morvane

#endif
