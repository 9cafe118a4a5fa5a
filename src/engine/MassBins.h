#ifndef MORVANE_ENGINE_MASSBINS_H
#define MORVANE_ENGINE_MASSBINS_H

#include <cmath>
#include <cstdint>

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

private:
    double low;
    double scale;
    std::uint32_t count;
};

// The bins begin..end-1 of a MassBins.
struct BinWindow {
    const MassBins* bins;
    std::uint32_t begin;
    std::uint32_t end;

    bool Holds(std::uint32_t bin) const { return bin >= begin && bin < end; }
};

#endif
