#ifndef MORVANE_MATCH_MATCHENRICHMENT_H
#define MORVANE_MATCH_MATCHENRICHMENT_H

#include <deque>
#include <vector>

#include "elements/AtomIsoAbun.h"
#include "morvane-match/MatchOptions.h"

namespace morvane {

// --fit-enrichment's run after the matching: for each candidate that
// matched, the enrichment of s.enrichmentLabel fitted (match/EnrichmentFit.h)
// at the charge of its best ion, one row each on standard output. A
// candidate whose label is missing (or whose calculation fails) is reported
// on standard error and has no row; a fit that fails is reported and has a
// row of empty figures. Returns `status` (that of the matching), else the
// status of the first candidate that failed: 2 the label is not in it, 6
// the fit failed.
int WriteEnrichments(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                     const std::vector<Candidate>& candidates, const std::vector<CandidateMatch>& matches,
                     const MatchRunSettings& s, int status);

}  // namespace morvane

#endif
