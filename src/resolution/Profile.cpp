#include "resolution/Profile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "resolution/GaussianSum.h"

namespace morvane {

namespace {

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

// Whether every peak has a finite position and a width there; false with
// the reason.
bool Checked(const std::vector<isotope>& peaks, const Resolution& r, std::string& reason)
{
    for (const isotope& peak : peaks) {
        if (!std::isfinite(peak.mass) || !UsableWidth(r.Fwhm(peak.mass))) {
            reason = "no peak width at position " + std::to_string(peak.mass);
            return false;
        }
    }
    return true;
}

// The profile of ascending peaks.
bool ProfileOfAscending(const std::vector<isotope>& peaks, const Resolution& r, Profile& p, std::string& reason)
{
    p.x.clear();
    p.y.clear();
    if (peaks.empty()) return true;
    if (!Checked(peaks, r, reason) || !MakeGrid(peaks.front().mass, peaks.back().mass, r, p.x, reason)) return false;
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

// Points within a stretch of the grid where the slope or the curvature of
// the sum changes sign: extrema closer together than a tenth of a width are
// told apart there.
const int SUBDIVISIONS = 16;
// Newton's steps (each within the bracket, else a halving) to place a root.
const int MAX_ROOT_STEPS = 200;

// A top (local maximum) or a valley (local minimum) of the sum.
struct Extremum {
    double x;
    double y;
    bool top;
};

// The slope (order 1) or the curvature (order 2) and its own derivative.
double Derivative(const GaussianSum::Value& v, int order) { return order == 1 ? v.dy : v.d2y; }
double NextDerivative(const GaussianSum::Value& v, int order) { return order == 1 ? v.d2y : v.d3y; }

// Where the derivative of the order changes sign between a and b, the
// signs at a and b being different: Newton's method kept within the
// bracket, which shrinks at every step.
double SignChange(const GaussianSum& sum, int order, double a, double b)
{
    const bool positiveAtA = Derivative(sum.At(a), order) > 0;
    double x = 0.5 * (a + b);
    for (int step = 0; step < MAX_ROOT_STEPS; ++step) {
        const GaussianSum::Value v = sum.At(x);
        const double f = Derivative(v, order);
        if (f == 0) return x;
        ((f > 0) == positiveAtA ? a : b) = x;
        double next = x - f / NextDerivative(v, order);
        if (!(next > a && next < b)) next = 0.5 * (a + b);
        if (std::fabs(next - x) <= 4 * DBL_EPSILON * std::fabs(x) || next == a || next == b) return next;
        x = next;
    }
    return x;
}

void Add(const GaussianSum& sum, double x, bool top, std::vector<Extremum>& extrema)
{
    extrema.push_back(Extremum{x, sum.At(x).y, top});
}

// The extrema between points a and b whose values are known, in order. A
// change of the slope's sign brackets one. Where the slope keeps its sign
// while the curvature turns it towards 0 and back, the slope nearest 0 (a
// root of the curvature) may have the other sign: a shoulder, a top and a
// valley on either side of it.
void ExtremaOfPiece(const GaussianSum& sum, double a, const GaussianSum::Value& va, double b,
                    const GaussianSum::Value& vb, std::vector<Extremum>& extrema)
{
    const bool risingA = va.dy > 0, risingB = vb.dy > 0;
    if (risingA != risingB) {
        Add(sum, SignChange(sum, 1, a, b), risingA, extrema);
        return;
    }
    const bool turnsBack = risingA ? va.d2y < 0 && vb.d2y > 0 : va.dy < 0 && vb.dy < 0 && va.d2y > 0 && vb.d2y < 0;
    if (!turnsBack) return;
    const double m = SignChange(sum, 2, a, b);
    const double slope = sum.At(m).dy;
    if (risingA ? !(slope < 0) : !(slope > 0)) return;
    Add(sum, SignChange(sum, 1, a, m), risingA, extrema);
    Add(sum, SignChange(sum, 1, m, b), !risingA, extrema);
}

// The extrema of the sum over the grid, in order: tops and valleys
// alternate. A stretch of the grid whose ends differ in the sign of the
// slope or of the curvature is searched at SUBDIVISIONS points; elsewhere
// the sum has no extremum, or a shoulder whose dip is below a millionth of
// its height.
std::vector<Extremum> Extrema(const GaussianSum& sum, const std::vector<double>& grid)
{
    std::vector<Extremum> extrema;
    GaussianSum::Value previous = sum.At(grid.front());
    for (std::size_t j = 1; j < grid.size(); ++j) {
        const GaussianSum::Value next = sum.At(grid[j]);
        if ((previous.dy > 0) != (next.dy > 0) || (previous.d2y > 0) != (next.d2y > 0)) {
            double a = grid[j - 1];
            GaussianSum::Value va = previous;
            for (int i = 1; i <= SUBDIVISIONS; ++i) {
                const double b = i == SUBDIVISIONS ? grid[j] : grid[j - 1] + (grid[j] - grid[j - 1]) * i / SUBDIVISIONS;
                const GaussianSum::Value vb = i == SUBDIVISIONS ? next : sum.At(b);
                ExtremaOfPiece(sum, a, va, b, vb, extrema);
                a = b;
                va = vb;
            }
        }
        previous = next;
    }
    return extrema;
}

// The tops of at least floor times the largest, and between each two the
// lowest valley: the bounds of the centroids.
void TopsAndValleys(const std::vector<Extremum>& extrema, double floor, std::vector<double>& tops,
                    std::vector<double>& valleys)
{
    double largest = 0;
    for (const Extremum& e : extrema)
        if (e.top) largest = std::max(largest, e.y);
    const Extremum* lowest = nullptr;  // the lowest valley since the last top kept
    for (const Extremum& e : extrema) {
        if (!e.top) {
            if (lowest == nullptr || e.y < lowest->y) lowest = &e;
        } else if (e.y > 0 && e.y >= floor * largest) {
            if (!tops.empty()) valleys.push_back(lowest->x);
            tops.push_back(e.x);
            lowest = nullptr;
        }
    }
}

}  // namespace

bool MakeProfile(const std::vector<isotope>& peaks, const Resolution& r, Profile& profile, std::string& reason)
{
    bool descending = false;
    return ProfileOfAscending(Ascending(peaks, descending), r, profile, reason);
}

std::vector<isotope> GroupFineStructure(const std::vector<isotope>& peaks, const Resolution& r)
{
    bool descending = false;
    const std::vector<isotope> sorted = Ascending(peaks, descending);
    std::vector<isotope> groups;
    for (std::size_t first = 0, end = 0; first < sorted.size(); first = end) {
        const double limit = sorted[first].mass + FINE_MERGE_FRACTION * r.Fwhm(sorted[first].mass);
        double weighted = 0, abundance = 0;
        for (end = first; end < sorted.size() && (end == first || sorted[end].mass <= limit); ++end) {
            weighted += sorted[end].abundance * sorted[end].mass;
            abundance += sorted[end].abundance;
        }
        groups.emplace_back(abundance > 0 ? weighted / abundance : sorted[first].mass, abundance);
    }
    if (descending) std::reverse(groups.begin(), groups.end());
    return groups;
}

bool MakeCentroids(const std::vector<isotope>& peaks, const Resolution& r, double floor,
                   std::vector<isotope>& centroids, std::string& reason, CentroidIntensity intensity)
{
    bool descending = false;
    const std::vector<isotope> sorted = Ascending(peaks, descending);
    std::vector<double> grid;
    if (!Checked(sorted, r, reason) || (!sorted.empty() && !MakeGrid(sorted.front().mass, sorted.back().mass, r, grid, reason)))
        return false;
    centroids.clear();
    if (sorted.empty()) return true;
    const GaussianSum sum(sorted, r);
    std::vector<double> tops, valleys;
    TopsAndValleys(Extrema(sum, grid), floor, tops, valleys);
    std::vector<double> abundances(tops.size(), 0.0);
    if (intensity == CentroidIntensity::Area) {
        if (!tops.empty()) abundances = sum.SharesBetween(valleys);
    } else {
        std::size_t c = 0;
        for (const isotope& peak : sorted) {
            while (c < valleys.size() && peak.mass > valleys[c]) ++c;
            if (c < abundances.size()) abundances[c] += peak.abundance;
        }
    }
    for (std::size_t c = 0; c < tops.size(); ++c) centroids.emplace_back(tops[c], abundances[c]);
    if (descending) std::reverse(centroids.begin(), centroids.end());
    return true;
}

}  // namespace morvane
