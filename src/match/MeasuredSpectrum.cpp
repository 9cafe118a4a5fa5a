#include "MeasuredSpectrum.h"

#include <algorithm>
#include <cmath>

namespace morvane {

bool MeasuredSpectrum::Make(std::vector<isotope> peaks, MeasuredSpectrum& spectrum, std::string& reason)
{
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const isotope& p = peaks[i];
        const std::string where = "peak " + std::to_string(i + 1) + ": ";
        if (!std::isfinite(p.mass) || p.mass <= 0) {
            reason = where + "m/z must be a finite number above 0";
            return false;
        }
        if (!std::isfinite(p.abundance) || p.abundance < 0) {
            reason = where + "intensity must be a finite number of at least 0";
            return false;
        }
    }
    peaks.erase(std::remove_if(peaks.begin(), peaks.end(), [](const isotope& p) { return p.abundance == 0; }),
                peaks.end());
    if (peaks.empty()) {
        reason = "the spectrum has no peak of intensity above 0";
        return false;
    }
    std::stable_sort(peaks.begin(), peaks.end(), [](const isotope& a, const isotope& b) { return a.mass < b.mass; });
    spectrum.peaks_ = std::move(peaks);
    return true;
}

std::pair<std::size_t, std::size_t> MeasuredSpectrum::Between(double lo, double hi) const
{
    auto first = std::lower_bound(peaks_.begin(), peaks_.end(), lo,
                                  [](const isotope& p, double x) { return p.mass < x; });
    auto last = std::upper_bound(first, peaks_.end(), hi, [](double x, const isotope& p) { return x < p.mass; });
    return {static_cast<std::size_t>(first - peaks_.begin()), static_cast<std::size_t>(last - peaks_.begin())};
}

std::size_t MeasuredSpectrum::Closest(double mz, double tolerance) const
{
    const auto range = Between(mz - tolerance, mz + tolerance);
    std::size_t best = peaks_.size();
    for (std::size_t i = range.first; i < range.second; ++i)
        if (best == peaks_.size() || std::fabs(peaks_[i].mass - mz) < std::fabs(peaks_[best].mass - mz)) best = i;
    return best;
}

}  // namespace morvane
