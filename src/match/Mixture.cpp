#include "Mixture.h"

#include <algorithm>
#include <cmath>

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

// What an ion's intensity is spread over: its variants where known, since
// the centroids of overlapping ions split their fine structure at other
// places than each ion's own centroids do.
const std::vector<isotope>& Sticks(const Ion& ion) { return ion.variants.empty() ? ion.peaks : ion.variants; }

Rows MakeRows(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const MixtureSettings& s)
{
    double lo = 0, hi = 0;
    bool first = true;
    for (const Ion& ion : ions)
        for (const isotope& p : Sticks(ion)) {
            lo = first ? p.mass : std::min(lo, p.mass);
            hi = first ? p.mass : std::max(hi, p.mass);
            first = false;
        }
    Rows rows;
    rows.columns.resize(ions.size());
    const auto range = spectrum.Between(lo - Tolerance(s, lo), hi + Tolerance(s, hi));
    double top = 0;
    for (std::size_t i = range.first; i < range.second; ++i) top = std::max(top, spectrum.Peaks()[i].abundance);
    for (std::size_t i = range.first; i < range.second; ++i)
        if (spectrum.Peaks()[i].abundance >= s.noiseFloor * top) {
            rows.mz.push_back(spectrum.Peaks()[i].mass);
            rows.observed.push_back(spectrum.Peaks()[i].abundance);
        }
    for (std::vector<double>& c : rows.columns) c.assign(rows.mz.size(), 0);
    for (std::size_t k = 0; k < ions.size(); ++k) {
        double ionTop = 0;
        for (const isotope& p : Sticks(ions[k])) ionTop = std::max(ionTop, p.abundance);
        for (const isotope& p : Sticks(ions[k])) {
            if (p.abundance < s.theoryFloor * ionTop) continue;
            const std::size_t row = RowOf(rows, p.mass, p.abundance >= s.noiseFloor * ionTop, s);
            if (row < rows.mz.size()) rows.columns[k][row] += p.abundance;
        }
    }
    return rows;
}

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

}  // namespace

bool FitMixture(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const MixtureSettings& s,
                MixtureFit& fit, std::string& reason)
{
    const Rows rows = MakeRows(spectrum, ions, s);
    double norm = 0;
    for (double o : rows.observed) norm += o * o;
    if (ions.empty() || norm == 0) {
        reason = "no observed peak in the window of the ions";
        return false;
    }
    NnlsProblem problem;
    problem.rows = static_cast<int>(rows.mz.size());
    problem.columns = static_cast<int>(ions.size());
    for (const std::vector<double>& c : rows.columns) problem.a.insert(problem.a.end(), c.begin(), c.end());
    problem.b = rows.observed;
    NnlsSolution solution;
    if (!SolveNnls(problem, solution, reason)) return false;
    double sum = 0;
    for (double v : solution.x) sum += v;
    if (!(sum > 0)) {
        reason = "no ion explains any observed peak";
        return false;
    }
    fit.amounts = solution.x;
    fit.proportions.clear();
    for (double v : solution.x) fit.proportions.push_back(v / sum);
    fit.uncertainties = ProportionErrors(solution.x, solution.covariance, sum);
    fit.covariance = solution.covariance;
    fit.residual = solution.residualNorm / std::sqrt(norm);
    fit.rows = problem.rows;
    return true;
}

}  // namespace morvane
