#include "morvane-match/MatchEnrichment.h"

#include <iostream>

#include "core/Status.h"
#include "morvane-match/MatchRows.h"

namespace morvane {

int WriteEnrichments(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                     const std::vector<Candidate>& candidates, const std::vector<CandidateMatch>& matches,
                     const MatchRunSettings& s, int status)
{
    MixtureSettings m;
    m.ppm = s.match.envelope.ppm;
    m.resolution = s.match.pattern.resolution;
    m.noiseFloor = s.match.envelope.noiseFloor;
    MatchRows rows(std::cout, s.csv, false, false);
    rows.EnrichmentHeader();
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        std::string reason = matches[i].reason;
        int failed = matches[i].status;
        EnrichmentResult fit;
        if (failed == 0)
            failed = FitEnrichment(table, spectrum, candidates[i], matches[i].fits.front().ion.charge,
                                   s.enrichmentLabel, s.lowestEnrichment, s.match, m, fit, reason);
        // A failed fit is the spectrum's doing: the candidate keeps its row.
        const bool fitFailed = matches[i].status == 0 && failed == CALC_GENERATION_FAILED;
        if (failed != 0) std::cerr << (fitFailed ? "Error: " + candidates[i].text + ": " : "") << reason << "\n";
        if (failed != 0 && status == 0) status = failed;
        if (failed == 0 || fitFailed)
            rows.WriteEnrichment(candidates[i], matches[i].fits.front().ion, s.enrichmentLabel,
                                 failed == 0 ? &fit : nullptr);
    }
    return status;
}

}  // namespace morvane
