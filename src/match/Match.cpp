#include "Match.h"

#include <algorithm>
#include <cstdlib>

#include "../core/ParallelFor.h"

namespace morvane {

CandidateTheory CalculateCandidate(const std::deque<AtomIsoAbun>& table, const Candidate& candidate,
                                   const MatchSettings& s)
{
    CandidateTheory theory;
    const bool fixed = !candidate.adduct.empty() ||
                       (candidate.sequence && candidate.molecule.find('/') != std::string::npos);
    int lo = candidate.minCharge, hi = candidate.maxCharge;
    if (lo == 0) {
        lo = s.minCharge;
        hi = s.maxCharge;
    }
    if (fixed) hi = lo;
    for (int z = lo; z <= hi; ++z) {
        Ion ion;
        theory.status = CalculateIon(table, candidate, z, s.pattern, ion, theory.reason);
        if (theory.status != 0) {
            theory.ions.clear();
            return theory;
        }
        theory.ions.push_back(std::move(ion));
    }
    return theory;
}

CandidateMatch FitCandidate(const MeasuredSpectrum& spectrum, const CandidateTheory& theory,
                            const EnvelopeSettings& s)
{
    CandidateMatch result;
    result.status = theory.status;
    result.reason = theory.reason;
    for (const Ion& ion : theory.ions) result.fits.push_back(ChargeFit{ion, FitEnvelope(spectrum, ion, s)});
    std::stable_sort(result.fits.begin(), result.fits.end(), [](const ChargeFit& a, const ChargeFit& b) {
        if (a.fit.score != b.fit.score) return a.fit.score > b.fit.score;
        return std::abs(a.ion.charge) < std::abs(b.ion.charge);
    });
    return result;
}

CandidateMatch MatchCandidate(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                              const Candidate& candidate, const MatchSettings& s)
{
    return FitCandidate(spectrum, CalculateCandidate(table, candidate, s), s.envelope);
}

void MatchCandidates(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                     const std::vector<Candidate>& candidates, std::size_t from, std::size_t to,
                     const MatchSettings& s, unsigned threads, std::vector<CandidateMatch>& matches)
{
    ParallelFor(to - from, threads, nullptr,
                [&](std::size_t i) { matches[from + i] = MatchCandidate(table, spectrum, candidates[from + i], s); });
}

}  // namespace morvane
