#include "engine/VariantEstimate.h"

#include <cmath>

#include "engine/MolEnsemble.h"

namespace morvane {

namespace {

// The Gaussian's dimensions and the logarithm of its covariance's
// determinant, summed over elements.
struct Spread {
    double dimensions = 0;
    double logDeterminant = 0;

    void Add(const AtomIsoAbun& a, double n)
    {
        double sum = 0;
        for (int j = 0; j < a.niso; ++j) sum += a.iso[j].abundance;
        if (!(sum > 0) || !(n > 0)) return;
        double minor = 0;
        for (int j = 1; j < a.niso; ++j) {
            const double share = a.iso[j].abundance / sum;
            if (!(n * share >= 1)) continue;
            dimensions += 1;
            minor += share;
            logDeterminant += std::log(n) + std::log(share);
        }
        if (minor > 0) logDeterminant += std::log1p(-minor);
    }

    // The lattice points in the ellipsoid where the exponent stays within
    // -ln(thr) (the logarithm taken directly: 1/thr overflows for
    // thresholds below the normal range).
    double Count(double thr) const
    {
        if (!(thr > 0)) return HUGE_VAL;
        const double pi = 3.14159265358979323846;
        const double half = dimensions / 2;
        return std::exp(half * std::log(pi) - std::lgamma(half + 1) + half * std::log(-2 * std::log(thr)) +
                        logDeterminant / 2);
    }
};

}  // namespace

double EstimatedVariants(const MolComposition& c, double thr)
{
    Spread s;
    for (int i = 0; i < c.totalnat; ++i) s.Add(c.atom[i], c.nat[i]);
    return s.Count(thr);
}

double EstimatedCombinations(const AtomIsoAbun& a, int n, double thr)
{
    Spread s;
    s.Add(a, n);
    return s.Count(thr);
}

bool BeyondReach(const MolComposition& c, double thr)
{
    return thr > 0 && EstimatedVariants(c, thr) > static_cast<double>(MAX_COMBINATION_VISITS / 4);
}

}  // namespace morvane
