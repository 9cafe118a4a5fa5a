#include "resolution/Profile.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

// Gaussians are summed this many widths to each side of their peak.
const double REACH_WIDTHS = 5;
// 4 ln 2: exp(-FOUR_LN2 d^2) is 1/2 at d = 1/2, d in widths.
const double FOUR_LN2 = 2.772588722239781;

// The peaks in ascending order of position; `descending` tells whether they
// came the other way round.
std::vector<isotope> Ascending(const std::vector<isotope>& peaks, bool& descending)
{
    auto below = [](const isotope& a, const isotope& b) { return a.mass < b.mass; };
    std::vector<isotope> sorted = peaks;
    descending = !std::is_sorted(sorted.begin(), sorted.end(), below) &&
                 std::is_sorted(sorted.rbegin(), sorted.rend(), below);
    if (descending)
        std::reverse(sorted.begin(), sorted.end());
    else
        std::stable_sort(sorted.begin(), sorted.end(), below);
    return sorted;
}

bool UsableWidth(double w) { return std::isfinite(w) && w > 0; }

// The grid from lo to hi, each step a tenth of the narrower width of its
// two ends.
bool MakeGrid(double lo, double hi, const Resolution& r, std::vector<double>& x, std::string& reason)
{
    const double start = lo - PROFILE_MARGIN_WIDTHS * r.Fwhm(lo), end = hi + PROFILE_MARGIN_WIDTHS * r.Fwhm(hi);
    // A width that grows from 0 would shrink the steps towards 0 for ever.
    if (r.Kind() != Analyzer::Fwhm && start <= 0 && end >= 0) {
        reason = "the profile would reach position 0, where a resolving power gives no width (peaks wider than a "
                 "quarter of their position)";
        return false;
    }
    for (double at = start;;) {
        if (x.size() == MAX_PROFILE_POINTS) {
            reason = "the profile would need more than " + std::to_string(MAX_PROFILE_POINTS) +
                     " points: a lower resolution, or a pattern of a narrower range";
            return false;
        }
        x.push_back(at);
        if (at >= end) return true;
        const double step = r.Fwhm(at) / POINTS_PER_WIDTH;
        at += std::min(step, r.Fwhm(at + step) / POINTS_PER_WIDTH);
    }
}

// The profile of ascending peaks.
bool ProfileOfAscending(const std::vector<isotope>& peaks, const Resolution& r, Profile& p, std::string& reason)
{
    p.x.clear();
    p.y.clear();
    if (peaks.empty()) return true;
    for (const isotope& peak : peaks) {
        if (!std::isfinite(peak.mass) || !UsableWidth(r.Fwhm(peak.mass))) {
            reason = "no peak width at position " + std::to_string(peak.mass);
            return false;
        }
    }
    if (!MakeGrid(peaks.front().mass, peaks.back().mass, r, p.x, reason)) return false;
    p.y.assign(p.x.size(), 0.0);
    std::size_t first = 0;  // the first grid point within reach of the current peak
    for (const isotope& peak : peaks) {
        const double w = r.Fwhm(peak.mass);
        const double from = peak.mass - REACH_WIDTHS * w, to = peak.mass + REACH_WIDTHS * w;
        while (first > 0 && p.x[first - 1] >= from) --first;
        while (first < p.x.size() && p.x[first] < from) ++first;
        for (std::size_t j = first; j < p.x.size() && p.x[j] <= to; ++j) {
            const double d = (p.x[j] - peak.mass) / w;
            p.y[j] += peak.abundance * std::exp(-FOUR_LN2 * d * d);
        }
    }
    return true;
}

// The top of the parabola through the logarithms of the intensities at
// k - 1, k, k + 1: a Gaussian's own top. The grid point itself where the
// three do not make a maximum.
double GaussianTop(const Profile& p, std::size_t k)
{
    const double y0 = p.y[k - 1], y1 = p.y[k], y2 = p.y[k + 1];
    if (!(y0 > 0 && y2 > 0)) return p.x[k];
    const double t0 = p.x[k - 1] - p.x[k], t2 = p.x[k + 1] - p.x[k];
    const double l0 = std::log(y0 / y1), l2 = std::log(y2 / y1);  // the logarithms less that at k
    // l(t) = b t + a t^2 through (t0, l0), (0, 0), (t2, l2).
    const double a = (l2 / t2 - l0 / t0) / (t2 - t0);
    const double b = l0 / t0 - a * t0;
    if (!(a < 0)) return p.x[k];
    return p.x[k] - b / (2 * a);
}

// Indices of the local maxima of at least floor times the largest.
std::vector<std::size_t> Maxima(const Profile& p, double floor)
{
    std::vector<std::size_t> maxima;
    double largest = 0;
    for (std::size_t k = 1; k + 1 < p.y.size(); ++k) {
        if (p.y[k] > p.y[k - 1] && p.y[k] >= p.y[k + 1]) {
            maxima.push_back(k);
            largest = std::max(largest, p.y[k]);
        }
    }
    std::size_t kept = 0;
    for (std::size_t k : maxima)
        if (p.y[k] > 0 && p.y[k] >= floor * largest) maxima[kept++] = k;
    maxima.resize(kept);
    return maxima;
}

}  // namespace

bool MakeProfile(const std::vector<isotope>& peaks, const Resolution& r, Profile& profile, std::string& reason)
{
    bool descending = false;
    return ProfileOfAscending(Ascending(peaks, descending), r, profile, reason);
}

bool MakeCentroids(const std::vector<isotope>& peaks, const Resolution& r, double floor,
                   std::vector<isotope>& centroids, std::string& reason)
{
    bool descending = false;
    const std::vector<isotope> sorted = Ascending(peaks, descending);
    Profile p;
    if (!ProfileOfAscending(sorted, r, p, reason)) return false;
    const std::vector<std::size_t> maxima = Maxima(p, floor);
    centroids.clear();
    std::size_t next = 0;  // the first peak not yet given to a centroid
    for (std::size_t c = 0; c < maxima.size(); ++c) {
        double bound = INFINITY;  // the minimum towards the next centroid
        if (c + 1 < maxima.size()) {
            const auto lowest = std::min_element(p.y.begin() + maxima[c], p.y.begin() + maxima[c + 1]);
            bound = p.x[static_cast<std::size_t>(lowest - p.y.begin())];
        }
        double abundance = 0;
        for (; next < sorted.size() && sorted[next].mass <= bound; ++next) abundance += sorted[next].abundance;
        centroids.emplace_back(GaussianTop(p, maxima[c]), abundance);
    }
    if (descending) std::reverse(centroids.begin(), centroids.end());
    return true;
}

}  // namespace morvane
