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
    const bool ascending = std::is_sorted(sorted.begin(), sorted.end(), below);
    descending = !ascending && std::is_sorted(sorted.rbegin(), sorted.rend(), below);
    if (descending)
        std::reverse(sorted.begin(), sorted.end());
    else if (!ascending)
        std::stable_sort(sorted.begin(), sorted.end(), below);
    return sorted;
}

bool UsableWidth(double w) { return std::isfinite(w) && w > 0; }

// Visits the grid from lo to hi, each step a tenth of the narrower width of
// its two ends; false with the reason, after visiting MAX_PROFILE_POINTS,
// when it would hold more.
template <class Visit>
bool WalkGrid(double lo, double hi, const Resolution& r, Visit&& visit, std::string& reason)
{
    const double start = lo - PROFILE_MARGIN_WIDTHS * r.Fwhm(lo), end = hi + PROFILE_MARGIN_WIDTHS * r.Fwhm(hi);
    // A width that grows from 0 would shrink the steps towards 0 for ever.
    if (r.Kind() != Analyzer::Fwhm && start <= 0 && end >= 0) {
        reason = "the profile would reach position 0, where a resolving power gives no width (peaks wider than a "
                 "quarter of their position)";
        return false;
    }
    std::size_t points = 0;
    for (double at = start;;) {
        if (points++ == MAX_PROFILE_POINTS) {
            reason = "the profile would need more than " + std::to_string(MAX_PROFILE_POINTS) +
                     " points: a lower resolution, or a pattern of a narrower range";
            return false;
        }
        visit(at);
        if (at >= end) return true;
        const double step = r.Fwhm(at) / POINTS_PER_WIDTH;
        // From a position of 0 or more, widths only grow rightwards: the
        // step's own end is no narrower.
        at += at >= 0 ? step : std::min(step, r.Fwhm(at + step) / POINTS_PER_WIDTH);
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
    if (!Checked(peaks, r, reason) ||
        !WalkGrid(peaks.front().mass, peaks.back().mass, r, [&p](double x) { p.x.push_back(x); }, reason))
        return false;
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
void ExtremaOfPiece(const GaussianSum& sum, double a, const GaussianSum::Signs& sa, double b,
                    const GaussianSum::Signs& sb, std::vector<Extremum>& extrema)
{
    const bool risingA = sa.slope > 0, risingB = sb.slope > 0;
    if (risingA != risingB) {
        Add(sum, SignChange(sum, 1, a, b), risingA, extrema);
        return;
    }
    const bool turnsBack = risingA ? sa.curvature < 0 && sb.curvature > 0
                                   : sa.slope < 0 && sb.slope < 0 && sa.curvature > 0 && sb.curvature < 0;
    if (!turnsBack) return;
    const double m = SignChange(sum, 2, a, b);
    const double slope = sum.At(m).dy;
    if (risingA ? !(slope < 0) : !(slope > 0)) return;
    Add(sum, SignChange(sum, 1, a, m), risingA, extrema);
    Add(sum, SignChange(sum, 1, m, b), !risingA, extrema);
}

// Point i of the SUBDIVISIONS + 1 points from a to b.
double SubPoint(double a, double b, int i) { return i == SUBDIVISIONS ? b : a + (b - a) * i / SUBDIVISIONS; }

// Whether the slope keeps the sign it has at a on the whole stretch from a
// (value va) to a + h, however its curvature turns: the slope's distance
// from 0 exceeds what the curvature, bounded through the third derivative,
// can take off it, and the rounding of At.
bool SlopeKeepsSign(const GaussianSum::Value& va, const GaussianSum::Bounds& k, double h)
{
    return std::fabs(va.dy) > 2 * k.slopeError + h * (std::fabs(va.d2y) + k.curvatureError + h * k.third);
}

// Whether the curvature keeps its sign on the stretch, so that the slope
// is monotonic there, and where the slope's computed sign may differ from
// the exact one (where it is within At's rounding of 0) no two of the
// stretch's points lie: its computed sign then changes once at most.
bool CurvatureKeepsSign(const GaussianSum::Value& va, const GaussianSum::Bounds& k, double h)
{
    const double least = std::fabs(va.d2y) - k.curvatureError - h * k.third;
    return least > k.curvatureError && 2 * k.slopeError < least * h / (2 * SUBDIVISIONS);
}

// The extrema of the stretch of the grid from a to b whose ends differ in
// the sign of the slope or of the curvature, searched at SUBDIVISIONS
// points. Two cases are settled by bounds, with the same result: a turn of
// the curvature on a slope that keeps its sign holds no extremum, and a
// slope that changes sign once where the curvature keeps its own has its
// root in the one piece found by bisection.
void ExtremaOfStretch(const GaussianSum& sum, double a, const GaussianSum::Signs& sa, double b,
                      const GaussianSum::Signs& sb, std::vector<Extremum>& extrema)
{
    const bool slopeTurns = (sa.slope > 0) != (sb.slope > 0), curvatureTurns = (sa.curvature > 0) != (sb.curvature > 0);
    if (slopeTurns != curvatureTurns) {
        const GaussianSum::Value va = sum.At(a);
        const GaussianSum::Bounds k = sum.Over(a, b);
        if (!slopeTurns && SlopeKeepsSign(va, k, b - a)) return;
        if (slopeTurns && CurvatureKeepsSign(va, k, b - a)) {
            int lo = 0, hi = SUBDIVISIONS;
            GaussianSum::Signs slo = sa, shi = sb;
            while (hi - lo > 1) {
                const int mid = (lo + hi) / 2;
                const GaussianSum::Signs s = sum.SignsAt(SubPoint(a, b, mid));
                ((s.slope > 0) == (sa.slope > 0) ? slo : shi) = s;
                ((s.slope > 0) == (sa.slope > 0) ? lo : hi) = mid;
            }
            ExtremaOfPiece(sum, SubPoint(a, b, lo), slo, SubPoint(a, b, hi), shi, extrema);
            return;
        }
    }
    double from = a;
    GaussianSum::Signs sfrom = sa;
    for (int i = 1; i <= SUBDIVISIONS; ++i) {
        const double to = SubPoint(a, b, i);
        const GaussianSum::Signs sto = i == SUBDIVISIONS ? sb : sum.SignsAt(to);
        ExtremaOfPiece(sum, from, sfrom, to, sto, extrema);
        from = to;
        sfrom = sto;
    }
}

// The extrema of the sum over the grid from lo to hi, in order: tops and
// valleys alternate. A stretch of the grid whose ends differ in the sign of
// the slope or of the curvature is searched (ExtremaOfStretch); elsewhere
// the sum has no extremum, or a shoulder whose dip is below a millionth of
// its height. Only the signs are needed at the grid's points, which are
// not kept. False with WalkGrid's reasons.
bool Extrema(const GaussianSum& sum, double lo, double hi, const Resolution& r, std::vector<Extremum>& extrema,
             std::string& reason)
{
    bool first = true;
    double a = 0;
    GaussianSum::Signs sa{0, 0};
    GaussianSum::Walk walk(sum);
    auto visit = [&](double b) {
        const GaussianSum::Signs sb = walk.SignsAt(b);
        if (!first && ((sa.slope > 0) != (sb.slope > 0) || (sa.curvature > 0) != (sb.curvature > 0)))
            ExtremaOfStretch(sum, a, sa, b, sb, extrema);
        first = false;
        a = b;
        sa = sb;
    };
    return WalkGrid(lo, hi, r, visit, reason);
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

namespace {

// The tops and valleys of the centroids of ascending, checked peaks.
bool BoundsOfAscending(const std::vector<isotope>& sorted, const GaussianSum& sum, const Resolution& r, double floor,
                       CentroidBounds& bounds, std::string& reason)
{
    std::vector<Extremum> extrema;
    if (!Extrema(sum, sorted.front().mass, sorted.back().mass, r, extrema, reason)) return false;
    bounds.tops.clear();
    bounds.valleys.clear();
    TopsAndValleys(extrema, floor, bounds.tops, bounds.valleys);
    return true;
}

}  // namespace

bool FindCentroidBounds(const std::vector<isotope>& peaks, const Resolution& r, double floor, CentroidBounds& bounds,
                        std::string& reason)
{
    bool descending = false;
    const std::vector<isotope> sorted = Ascending(peaks, descending);
    if (!Checked(sorted, r, reason)) return false;
    if (sorted.empty()) {
        bounds = CentroidBounds();
        return true;
    }
    return BoundsOfAscending(sorted, GaussianSum(sorted, r), r, floor, bounds, reason);
}

bool MakeCentroids(const std::vector<isotope>& peaks, const Resolution& r, double floor,
                   std::vector<isotope>& centroids, std::string& reason, CentroidIntensity intensity)
{
    bool descending = false;
    const std::vector<isotope> sorted = Ascending(peaks, descending);
    if (!Checked(sorted, r, reason)) return false;
    if (sorted.empty()) {
        centroids.clear();
        return true;
    }
    const GaussianSum sum(sorted, r);
    CentroidBounds bounds;
    if (!BoundsOfAscending(sorted, sum, r, floor, bounds, reason)) return false;
    const std::vector<double>& tops = bounds.tops;
    const std::vector<double>& valleys = bounds.valleys;
    centroids.clear();
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
