#include "engine/VariantEstimate.h"

#include <cmath>

#include "engine/MolEnsemble.h"

namespace morvane {

double EstimatedVariants(const MolComposition& c, double thr)
{
    if (!(thr > 0)) return HUGE_VAL;
    const double pi = 3.14159265358979323846;
    double dimensions = 0, logDeterminant = 0;
    for (int i = 0; i < c.totalnat; ++i) {
        const AtomIsoAbun& a = c.atom[i];
        const double n = c.nat[i];
        double sum = 0;
        for (int j = 0; j < a.niso; ++j) sum += a.iso[j].abundance;
        if (!(sum > 0) || n <= 0) continue;
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
    const double half = dimensions / 2;
    const double logVolume =
        half * std::log(pi) - std::lgamma(half + 1) + half * std::log(-2 * std::log(thr)) + logDeterminant / 2;
    return std::exp(logVolume);
}

bool BeyondReach(const MolComposition& c, double thr)
{
    return thr > 0 && EstimatedVariants(c, thr) > static_cast<double>(MAX_COMBINATION_VISITS / 4);
}

}  // namespace morvane
