#include "ProfileResolution.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "../resolution/Profile.h"

namespace morvane {

namespace {

const double MIN_PEAK_FRACTION = 0.01;     // of the largest point
const double NOISE_FACTOR = 10;            // times the median point
const int MIN_POINTS_ABOVE_HALF = 3;
const double MAX_CROSSING_GAP = 1.0 / 3;   // of the width: farther crossings are guesses
const double MAX_ASYMMETRY = 0.2;          // of the width, between the half widths

// The top of the Gaussian through the points i-1, i, i+1 (a parabola through
// their logarithms): its position and height; point i itself when the three
// do not bend down, the vertex falls outside them, or points share an m/z or
// are 0.
isotope GaussianTop(const std::vector<isotope>& p, std::size_t i)
{
    const double d0 = p[i - 1].mass - p[i].mass, d2 = p[i + 1].mass - p[i].mass;
    if (!(d0 < 0 && d2 > 0 && p[i - 1].abundance > 0 && p[i + 1].abundance > 0)) return p[i];
    const double l1 = std::log(p[i].abundance);
    const double s0 = (std::log(p[i - 1].abundance) - l1) / d0, s2 = (std::log(p[i + 1].abundance) - l1) / d2;
    const double a = (s0 - s2) / (d0 - d2), b = s0 - a * d0;
    if (!(a < 0) || !std::isfinite(b)) return p[i];
    const double dx = -b / (2 * a);
    if (dx < d0 || dx > d2) return p[i];
    return isotope(p[i].mass + dx, std::exp(l1 - b * b / (4 * a)));
}

// Where the profile falls through `level` walking from the top at i by
// `step` (-1 or 1): the interpolated position and the gap between the points
// around it; none when it never does, or rises above the top on the way.
std::optional<std::pair<double, double>> Crossing(const std::vector<isotope>& p, std::size_t i, int step,
                                                  double level, int& above)
{
    std::size_t j = i;
    while (p[j].abundance >= level) {
        if (p[j].abundance > p[i].abundance || (step < 0 && j == 0) || (step > 0 && j + 1 == p.size()))
            return std::nullopt;
        ++above;
        j += step;
    }
    const isotope& in = p[j - step];
    const isotope& out = p[j];
    const double x = out.mass + (level - out.abundance) * (in.mass - out.mass) / (in.abundance - out.abundance);
    return std::make_pair(x, std::fabs(in.mass - out.mass));
}

// The resolving power at the reference of a clean peak topped at point i;
// none for a peak that is not clean.
std::optional<double> PeakPower(const std::vector<isotope>& p, std::size_t i, const Resolution& unit)
{
    const isotope top = GaussianTop(p, i);
    int above = -1;  // the top is counted on both sides
    const auto left = Crossing(p, i, -1, top.abundance / 2, above);
    const auto right = left ? Crossing(p, i, 1, top.abundance / 2, above) : std::nullopt;
    if (!right) return std::nullopt;
    const double width = right->first - left->first;
    const bool clean = above >= MIN_POINTS_ABOVE_HALF && width > 0 &&
                       std::max(left->second, right->second) <= MAX_CROSSING_GAP * width &&
                       std::fabs((top.mass - left->first) - (right->first - top.mass)) <= MAX_ASYMMETRY * width;
    if (!clean) return std::nullopt;
    return unit.Fwhm(top.mass) / width;
}

double Median(std::vector<double> v)
{
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2 == 1) return upper;
    return (upper + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid))) / 2;
}

// The height a top must reach to be a peak rather than noise.
double PeakFloor(const std::vector<isotope>& p)
{
    std::vector<double> y;
    for (const isotope& q : p) y.push_back(q.abundance);
    const double largest = *std::max_element(y.begin(), y.end());
    return std::max(MIN_PEAK_FRACTION * largest, NOISE_FACTOR * Median(std::move(y)));
}

}  // namespace

std::string ResolutionEstimate::Describe() const
{
    const double digits = std::pow(10, std::floor(std::log10(power)) - 2);
    char text[96];
    const char* name = analyzer == Analyzer::Tof ? "tof" : analyzer == Analyzer::Fticr ? "fticr" : "orbitrap";
    if (analyzer == Analyzer::Tof)
        std::snprintf(text, sizeof text, "%.0f (%s), from %d peaks", std::round(power / digits) * digits, name, peaks);
    else
        std::snprintf(text, sizeof text, "%.0f @ %g (%s), from %d peaks", std::round(power / digits) * digits,
                      reference, name, peaks);
    return text;
}

bool EstimateResolution(const std::vector<isotope>& points, Analyzer analyzer, ResolutionEstimate& estimate,
                        std::string& reason)
{
    if (analyzer == Analyzer::Fwhm) {
        reason = "a resolving power is estimated for tof, orbitrap or fticr, not a constant width";
        return false;
    }
    const Resolution unit = Resolution::Power(analyzer, 1, DefaultReference(analyzer));
    std::vector<double> powers;
    const double floor = points.size() < 3 ? 0 : PeakFloor(points);
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const isotope& q = points[i];
        if (q.abundance < floor || q.abundance <= points[i - 1].abundance || q.abundance < points[i + 1].abundance)
            continue;
        if (const auto power = PeakPower(points, i, unit)) powers.push_back(*power);
    }
    if (powers.size() < static_cast<std::size_t>(MIN_RESOLUTION_PEAKS)) {
        reason = "the profile has " + std::to_string(powers.size()) + " clean peaks, too few to estimate the resolution from (" +
                 std::to_string(MIN_RESOLUTION_PEAKS) + " are needed)";
        return false;
    }
    estimate.analyzer = analyzer;
    estimate.power = Median(powers);
    estimate.reference = unit.Reference();
    estimate.peaks = static_cast<int>(powers.size());
    return true;
}

bool CentroidAtEstimate(const MeasuredSpectrum& profile, Analyzer analyzer, MeasuredSpectrum& centroids,
                        ResolutionEstimate& estimate, std::string& reason)
{
    ResolutionEstimate found;
    std::vector<isotope> peaks;
    MeasuredSpectrum made;
    if (!EstimateResolution(profile.Peaks(), analyzer, found, reason) ||
        !MakeCentroids(profile.Peaks(), found.At(), DEFAULT_CENTROID_FLOOR, peaks, reason) ||
        !MeasuredSpectrum::Make(std::move(peaks), made, reason))
        return false;
    centroids = std::move(made);
    estimate = found;
    return true;
}

}  // namespace morvane
