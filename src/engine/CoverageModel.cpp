#include "engine/CoverageModel.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

const double TINY = 1e-300;
const double EPSILON = 1e-15;
const int MAX_TERMS = 10000;
// The thresholds tried stay above e^-MAX_X (near the smallest double).
const double MAX_X = 700;
// A minor isotope whose atoms expect a fifth of an atom already shapes the
// tail like a whole dimension (fitted on peptides and proteins).
const double WEAK_DIMENSION = 5;
// A rare isotope's share of a dimension per unit of depth x over
// ln(1/lambda), and the rounds of substitution for the first threshold:
// fitted on tryptic peptides at 0.999999, where 85 % of them then need one
// round of the search, and the two rounds took 7 % fewer instructions in
// all than substituting twice (every peptide in one round, but deeper).
const double DEPTH_WEIGHT = 0.2;
const int FIRST_ROUNDS = 1;

// The lower regularised gamma P(s, x) by its series, for x < s + 1.
double LowerSeries(double s, double x)
{
    double term = 1 / s, sum = term;
    for (int n = 1; n < MAX_TERMS && std::fabs(term) > std::fabs(sum) * EPSILON; ++n) {
        term *= x / (s + n);
        sum += term;
    }
    return sum * std::exp(-x + s * std::log(x) - std::lgamma(s));
}

// The upper regularised gamma Q(s, x) by its continued fraction (modified
// Lentz), for x >= s + 1.
double UpperFraction(double s, double x)
{
    double b = x + 1 - s, c = 1 / TINY, d = 1 / b, h = d;
    for (int i = 1; i < MAX_TERMS; ++i) {
        const double an = -i * (i - s);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < TINY) d = TINY;
        c = b + an / c;
        if (std::fabs(c) < TINY) c = TINY;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < EPSILON) break;
    }
    return std::exp(-x + s * std::log(x) - std::lgamma(s)) * h;
}

// The root of a function that falls from above `target` at lo to below it
// at hi, by bisection to ROOT_PRECISION: a millionth of the bracket's
// upper end moves a threshold by 0.07 % at most, far below what the model
// can tell.
const double ROOT_PRECISION = 1e-6;

template <class F>
double Bisect(F f, double lo, double hi, double target)
{
    for (int i = 0; i < 200 && hi - lo > ROOT_PRECISION * std::max(1.0, hi); ++i) {
        const double mid = (lo + hi) / 2;
        (f(mid) > target ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

}  // namespace

double UpperGammaQ(double s, double x)
{
    if (x <= 0) return 1;
    return x < s + 1 ? 1 - LowerSeries(s, x) : UpperFraction(s, x);
}

double CoverageDimensions(const MolComposition& c, double x)
{
    double d = 0;
    for (int i = 0; i < c.totalnat; ++i) {
        for (int j = 1; j < c.atom[i].niso; ++j) {
            const double lambda = c.nat[i] * c.atom[i].iso[j].abundance;
            if (!(lambda > 0)) continue;
            d += lambda >= 1 ? 1 : std::min(1.0, std::max(WEAK_DIMENSION * lambda, DEPTH_WEIGHT * x / std::log(1 / lambda)));
        }
    }
    return std::max(d, 0.05);
}

double FirstLogThreshold(const MolComposition& c, double outside)
{
    double x = LogThresholdFor(CoverageDimensions(c, 0), outside);
    for (int i = 0; i < FIRST_ROUNDS; ++i) x = LogThresholdFor(CoverageDimensions(c, x), outside);
    return x;
}

double FitDimensions(double x, double outside)
{
    // Q(d/2, x) grows with d.
    return Bisect([x](double d) { return -UpperGammaQ(d / 2, x); }, 0.01, 1000, -outside);
}

double LogThresholdFor(double dimensions, double outside)
{
    return Bisect([dimensions](double x) { return UpperGammaQ(dimensions / 2, x); }, 0, MAX_X, outside);
}

}  // namespace morvane
