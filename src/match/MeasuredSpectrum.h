#ifndef MORVANE_MATCH_MEASUREDSPECTRUM_H
#define MORVANE_MATCH_MEASUREDSPECTRUM_H

#include <cstddef>
#include <string>
#include <vector>

#include "../elements/isotope.h"

namespace morvane {

// A measured centroid spectrum: peaks of positive, finite m/z and finite
// intensity >= 0, in ascending order of m/z (mass holds the m/z, abundance
// the intensity, in whatever unit the instrument reports). Peaks of
// intensity 0 carry nothing and are dropped.
class MeasuredSpectrum {
public:
    // Builds the spectrum from peaks in any order (sorted here). Returns false
    // with the reason, naming the first bad peak by its place in `peaks`
    // (counted from 1), when an m/z is not finite or not > 0, an intensity
    // is NaN, infinite or negative, or no peak has an intensity above 0;
    // `spectrum` is then unchanged.
    static bool Make(std::vector<isotope> peaks, MeasuredSpectrum& spectrum, std::string& reason);

    const std::vector<isotope>& Peaks() const { return peaks_; }
    // The first peak at or above `lo` and the first above `hi`: the peaks
    // from lo to hi are [first, second).
    std::pair<std::size_t, std::size_t> Between(double lo, double hi) const;
    // The peak closest to `mz` within `tolerance` (m/z units), or Peaks().size()
    // when none is that close.
    std::size_t Closest(double mz, double tolerance) const;

private:
    std::vector<isotope> peaks_;
};

}  // namespace morvane

#endif
