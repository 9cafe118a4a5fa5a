#ifndef MORVANE_MATCH_ENRICHMENTFIT_H
#define MORVANE_MATCH_ENRICHMENTFIT_H

#include <deque>
#include <string>

#include "../elements/AtomIsoAbun.h"
#include "Match.h"
#include "Mixture.h"

namespace morvane {

// The levels of enrichment a labelled ion is calculated at, evenly from
// the lowest asked for to 1.
const int ENRICHMENT_LEVELS = 21;

// The enrichment of a labelled standard as the spectrum shows it.
struct EnrichmentResult {
    double enrichment = 0;   // the fraction of the labelled positions that hold the label
    double uncertainty = 0;  // its standard error, by the delta method from the levels' amounts' covariance
    double residual = 0;     // the mixture fit's relative residual
};

// Fits the enrichment of `label` ("13C", "15N", "2H") in the candidate's
// ion at `charge` (as MatchCandidate calculates it, with s.pattern): the ion
// is calculated at ENRICHMENT_LEVELS enrichments from `lowest` (0 < lowest
// < 1) to 1, the levels fitted together to the spectrum as a mixture
// (FitMixture with `m`), and the enrichment is the proportion-weighted mean
// of the levels. The mean number of labels of a mixture of levels is that
// of its mean level, so the estimate is exact for a spectrum of one level,
// whatever the envelope's shape. Returns 0, or with the reason: 7 when
// `lowest` is out of range or `label` is no isotope label, 2 when the
// label is not in the molecule (CalculateIon's status, as for any failed
// calculation), 6 when the fit fails (the spectrum has nothing in the
// ion's window); `result` is then unchanged.
int FitEnrichment(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum, const Candidate& candidate,
                  int charge, const std::string& label, double lowest, const MatchSettings& s,
                  const MixtureSettings& m, EnrichmentResult& result, std::string& reason);

}  // namespace morvane

#endif
