#include "Mixture.h"

#include <algorithm>
#include <cmath>

#include "../resolution/GaussianSum.h"
#include "../resolution/Profile.h"
#include "Nnls.h"

namespace morvane {

namespace {

// The rows of the problem: their m/z and observed intensities.
struct Rows {
    std::vector<double> mz;
    std::vector<double> observed;
    std::vector<std::vector<double>> columns;  // per ion, one value per row
};

double Tolerance(const MixtureSettings& s, double mz)
{
    const double ppm = s.ppm * 1e-6 * mz;
    return s.resolution ? std::max(ppm, 2 * s.resolution->Fwhm(mz)) : ppm;
}

// The row an ion peak goes to: the closest row within the tolerance, else
// (when `missing` says its absence counts) a new row of observed intensity
// 0; else rows.mz.size().
std::size_t RowOf(Rows& rows, double mz, bool missing, const MixtureSettings& s)
{
    std::size_t best = rows.mz.size();
    const double tol = Tolerance(s, mz);
    for (std::size_t r = 0; r < rows.mz.size(); ++r)
        if (std::fabs(rows.mz[r] - mz) <= tol && (best == rows.mz.size() || std::fabs(rows.mz[r] - mz) < std::fabs(rows.mz[best] - mz)))
            best = r;
    if (best < rows.mz.size() || !missing) return best;
    rows.mz.push_back(mz);
    rows.observed.push_back(0);
    for (std::vector<double>& c : rows.columns) c.push_back(0);
    return best;
}

// One peak of an ion's theory: its variants where known, since the
// centroids of overlapping ions split their fine structure at other places
// than each ion's own centroids do.
struct Stick {
    std::size_t ion;
    double mz;
    double abundance;  // a probability, unscaled
    bool counts;       // whether its absence would show: at least the noise floor's fraction of its ion's largest
};

// The ions' sticks of at least the theory floor's fraction of their ion's
// largest, ascending.
std::vector<Stick> SticksOf(const std::vector<Ion>& ions, const MixtureSettings& s)
{
    std::vector<Stick> sticks;
    for (std::size_t k = 0; k < ions.size(); ++k) {
        const std::vector<isotope>& peaks = ions[k].variants.empty() ? ions[k].peaks : ions[k].variants;
        double top = 0;
        for (const isotope& p : peaks) top = std::max(top, p.abundance);
        for (const isotope& p : peaks)
            if (p.abundance > 0 && p.abundance >= s.theoryFloor * top)
                sticks.push_back({k, p.mass, p.abundance, p.abundance >= s.noiseFloor * top});
    }
    std::sort(sticks.begin(), sticks.end(), [](const Stick& a, const Stick& b) { return a.mz < b.mz; });
    return sticks;
}

// The first rows: the observed peaks above noise from the lightest stick to
// the heaviest, widened by the tolerance.
Rows ObservedRows(const MeasuredSpectrum& spectrum, const std::vector<Stick>& sticks, std::size_t ions,
                  const MixtureSettings& s)
{
    Rows rows;
    const double lo = sticks.front().mz, hi = sticks.back().mz;
    const auto range = spectrum.Between(lo - Tolerance(s, lo), hi + Tolerance(s, hi));
    double top = 0;
    for (std::size_t i = range.first; i < range.second; ++i) top = std::max(top, spectrum.Peaks()[i].abundance);
    for (std::size_t i = range.first; i < range.second; ++i)
        if (spectrum.Peaks()[i].abundance >= s.noiseFloor * top) {
            rows.mz.push_back(spectrum.Peaks()[i].mass);
            rows.observed.push_back(spectrum.Peaks()[i].abundance);
        }
    rows.columns.assign(ions, std::vector<double>(rows.mz.size(), 0.0));
    return rows;
}

// Each stick to the closest row within the tolerance.
void PairSticks(Rows& rows, const std::vector<Stick>& sticks, const MixtureSettings& s)
{
    for (const Stick& k : sticks) {
        const std::size_t row = RowOf(rows, k.mz, k.counts, s);
        if (row < rows.mz.size()) rows.columns[k.ion][row] += k.abundance;
    }
}

// An ion fitted at 0 is still drawn at this fraction of the largest amount,
// so that its peaks find their place among the centroids of the others.
const double ABSENT_DRAWN_AS = 0.01;
// Points at which the drawn profile is searched for its lowest between two
// observed peaks.
const int VALLEY_SAMPLES = 64;

// Each of the first `count` observed peaks where the drawn centroid paired
// with it lies (the closest, when several are), else where it was observed:
// valleys are sought between the drawn tops, not between observed ones
// moved by calibration errors.
std::vector<double> DrawnPositions(const std::vector<double>& mz, std::size_t count, const std::vector<double>& tops,
                                   const std::vector<std::size_t>& partner)
{
    std::vector<double> at(mz.begin(), mz.begin() + count);
    std::vector<bool> paired(count, false);
    for (std::size_t c = 0; c < tops.size(); ++c) {
        const std::size_t p = partner[c];
        if (p < count && (!paired[p] || std::fabs(tops[c] - mz[p]) < std::fabs(at[p] - mz[p]))) {
            at[p] = tops[c];
            paired[p] = true;
        }
    }
    return at;
}

// Where the profile is lowest between each two neighbouring positions,
// ascending: at one of its own valleys (`bounds`) when one lies between
// them, else at one of VALLEY_SAMPLES points.
std::vector<double> ValleysBetween(const std::vector<double>& mz, const GaussianSum& profile,
                                   const CentroidBounds& bounds)
{
    std::vector<double> valleys;
    for (std::size_t i = 0; i + 1 < mz.size(); ++i) {
        const double lo = std::min(mz[i], mz[i + 1]), hi = std::max(mz[i], mz[i + 1]);
        double at = lo, lowest = profile.At(lo).y;
        auto consider = [&](double x) {
            const double y = profile.At(x).y;
            if (y < lowest) {
                lowest = y;
                at = x;
            }
        };
        for (double v : bounds.valleys)
            if (v > lo && v < hi) consider(v);
        for (int j = 1; j <= VALLEY_SAMPLES; ++j) consider(lo + (hi - lo) * j / VALLEY_SAMPLES);
        valleys.push_back(at);
    }
    std::sort(valleys.begin(), valleys.end());
    return valleys;
}

// Each stick to the observed peak the instrument would show it in, the ions
// drawn at `amounts`: a centroid of the drawn ions with an observed partner
// within the tolerance shares its sticks among the observed peaks at the
// drawn profile's lowest points between them (the instrument's valleys);
// one without adds a row of observed intensity 0 when a stick of it counts.
bool PairCentroids(Rows& rows, const std::vector<Stick>& sticks, const std::vector<double>& amounts,
                   const MixtureSettings& s, std::string& reason)
{
    const double largest = *std::max_element(amounts.begin(), amounts.end());
    std::vector<isotope> drawn;
    for (const Stick& k : sticks)
        drawn.emplace_back(k.mz, k.abundance * std::max(amounts[k.ion], ABSENT_DRAWN_AS * largest));
    CentroidBounds bounds;
    if (!FindCentroidBounds(drawn, *s.resolution, DEFAULT_CENTROID_FLOOR, bounds, reason)) return false;
    const std::size_t observed = rows.mz.size();
    std::vector<std::size_t> partner;
    for (double top : bounds.tops) partner.push_back(RowOf(rows, top, false, s));
    const std::vector<double> at = DrawnPositions(rows.mz, observed, bounds.tops, partner);
    const std::vector<double> valleys = ValleysBetween(at, GaussianSum(drawn, *s.resolution), bounds);
    std::vector<bool> counts(bounds.tops.size(), false);
    std::vector<std::size_t> centroid;
    for (const Stick& k : sticks) {
        const auto c = std::lower_bound(bounds.valleys.begin(), bounds.valleys.end(), k.mz);
        centroid.push_back(static_cast<std::size_t>(c - bounds.valleys.begin()));
        counts[centroid.back()] = counts[centroid.back()] || k.counts;
    }
    for (std::size_t i = 0; i < sticks.size(); ++i) {
        const std::size_t c = centroid[i];
        std::size_t row = std::lower_bound(valleys.begin(), valleys.end(), sticks[i].mz) - valleys.begin();
        if (partner[c] >= observed) row = RowOf(rows, bounds.tops[c], counts[c], s);
        if (row < rows.mz.size()) rows.columns[sticks[i].ion][row] += sticks[i].abundance;
    }
    return true;
}

// The rows of the ions: the first fit pairs each stick, each next one the
// centroids of the ions drawn at the amounts fitted before.
bool MakeRows(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const std::vector<double>& amounts,
              const MixtureSettings& s, Rows& rows, std::string& reason)
{
    const std::vector<Stick> sticks = SticksOf(ions, s);
    if (sticks.empty()) {
        rows = Rows();
        rows.columns.resize(ions.size());
        return true;
    }
    rows = ObservedRows(spectrum, sticks, ions.size(), s);
    if (amounts.empty() || !s.resolution) {
        PairSticks(rows, sticks, s);
        return true;
    }
    return PairCentroids(rows, sticks, amounts, s, reason);
}

// Fits at most: each with the rows of the amounts fitted before, until the
// rows repeat.
const int MAX_FITS = 5;

// The proportions' standard errors: the gradient of x_i / S through the
// amounts' covariance.
std::vector<double> ProportionErrors(const std::vector<double>& x, const std::vector<double>& cov, double sum)
{
    const std::size_t n = x.size();
    std::vector<double> errors(n);
    for (std::size_t i = 0; i < n; ++i) {
        double var = 0;
        for (std::size_t a = 0; a < n; ++a)
            for (std::size_t b = 0; b < n; ++b) {
                const double ga = ((a == i ? sum : 0) - x[i]) / (sum * sum);
                const double gb = ((b == i ? sum : 0) - x[i]) / (sum * sum);
                var += ga * cov[b * n + a] * gb;
            }
        errors[i] = std::sqrt(std::max(var, 0.0));
    }
    return errors;
}

// Intensity noise grows with the peak, so rows are weighted by their
// observed intensity's inverse, as relative errors; below this fraction of
// the largest the weight stays that of this fraction, since small peaks
// carry errors that do not shrink with them (peaks lost below the detection
// floor, noise peaks, the tails of neighbours).
const double RELATIVE_ABOVE = 0.3;

// The amounts that best explain the rows, by weighted least squares. False with the reason when no
// row is observed above 0, every amount comes out 0, or the solver fails.
bool Solve(const Rows& rows, NnlsSolution& solution, std::string& reason)
{
    double norm = 0;
    for (double o : rows.observed) norm += o * o;
    if (norm == 0) {
        reason = "no observed peak in the window of the ions";
        return false;
    }
    NnlsProblem problem;
    problem.rows = static_cast<int>(rows.mz.size());
    problem.columns = static_cast<int>(rows.columns.size());
    double top = 0;
    for (double o : rows.observed) top = std::max(top, o);
    std::vector<double> weight;
    for (double o : rows.observed) weight.push_back(1 / std::max(o, RELATIVE_ABOVE * top));
    for (const std::vector<double>& c : rows.columns)
        for (std::size_t i = 0; i < weight.size(); ++i) problem.a.push_back(c[i] * weight[i]);
    for (std::size_t i = 0; i < weight.size(); ++i) problem.b.push_back(rows.observed[i] * weight[i]);
    if (!SolveNnls(problem, solution, reason)) return false;
    double sum = 0;
    for (double v : solution.x) sum += v;
    if (!(sum > 0)) {
        reason = "no ion explains any observed peak";
        return false;
    }
    return true;
}

}  // namespace

bool FitMixture(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const MixtureSettings& s,
                MixtureFit& fit, std::string& reason)
{
    if (ions.empty()) {
        reason = "no observed peak in the window of the ions";
        return false;
    }
    std::vector<double> amounts;
    Rows rows;
    NnlsSolution solution;
    for (int pass = 0; pass < MAX_FITS; ++pass) {
        Rows next;
        if (!MakeRows(spectrum, ions, amounts, s, next, reason)) return false;
        if (pass > 0 && next.mz == rows.mz && next.columns == rows.columns) break;
        rows = std::move(next);
        if (!Solve(rows, solution, reason)) return false;
        amounts = solution.x;
    }
    double sum = 0, norm = 0, misfit = 0;
    for (double v : solution.x) sum += v;
    for (std::size_t i = 0; i < rows.mz.size(); ++i) {
        double model = 0;
        for (std::size_t k = 0; k < ions.size(); ++k) model += rows.columns[k][i] * solution.x[k];
        norm += rows.observed[i] * rows.observed[i];
        misfit += (model - rows.observed[i]) * (model - rows.observed[i]);
    }
    fit.amounts = solution.x;
    fit.proportions.clear();
    for (double v : solution.x) fit.proportions.push_back(v / sum);
    fit.uncertainties = ProportionErrors(solution.x, solution.covariance, sum);
    fit.covariance = solution.covariance;
    fit.residual = std::sqrt(misfit / norm);
    fit.rows = static_cast<int>(rows.mz.size());
    return true;
}

}  // namespace morvane
