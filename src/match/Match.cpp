#include "Match.h"

#include <algorithm>
#include <cstdlib>

namespace morvane {

CandidateMatch MatchCandidate(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                              const Candidate& candidate, const MatchSettings& s)
{
    CandidateMatch result;
    const bool fixed = !candidate.adduct.empty() ||
                       (candidate.sequence && candidate.molecule.find('/') != std::string::npos);
    int lo = candidate.minCharge, hi = candidate.maxCharge;
    if (lo == 0) {
        lo = s.minCharge;
        hi = s.maxCharge;
    }
    if (fixed) hi = lo;
    for (int z = lo; z <= hi; ++z) {
        ChargeFit f;
        result.status = CalculateIon(table, candidate, z, s.pattern, f.ion, result.reason);
        if (result.status != 0) {
            result.fits.clear();
            return result;
        }
        f.fit = FitEnvelope(spectrum, f.ion, s.envelope);
        result.fits.push_back(std::move(f));
    }
    std::stable_sort(result.fits.begin(), result.fits.end(), [](const ChargeFit& a, const ChargeFit& b) {
        if (a.fit.score != b.fit.score) return a.fit.score > b.fit.score;
        return std::abs(a.ion.charge) < std::abs(b.ion.charge);
    });
    return result;
}

}  // namespace morvane
