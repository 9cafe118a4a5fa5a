#ifndef MORVANE_MATCH_MATCH_H
#define MORVANE_MATCH_MATCH_H

#include <deque>
#include <string>
#include <vector>

#include "../calc/Pattern.h"
#include "../elements/AtomIsoAbun.h"
#include "Candidate.h"
#include "Envelope.h"
#include "MeasuredSpectrum.h"
#include "Theory.h"

namespace morvane {

// Everything a match is run with.
struct MatchSettings {
    // The theory's settings: the instrument's resolution (the spectrum's),
    // the coverage target, enrichment and fixed modifications. Charge,
    // adduct and m/z are set per ion.
    PatternSettings pattern;
    EnvelopeSettings envelope;
    // The charges of a candidate that names none (of one sign, not 0).
    int minCharge = 1;
    int maxCharge = 1;
};

// One ion of a candidate, fitted.
struct ChargeFit {
    Ion ion;
    EnvelopeFit fit;
};

// A candidate in the spectrum: its ions, best score first (at equal scores,
// the lower charge in size first). The best charge is fits[0]; the
// runner-up, when more than one charge was tried, fits[1].
struct CandidateMatch {
    int status = 0;      // 0, or CalculatePattern's status for the candidate
    std::string reason;  // why it failed
    std::vector<ChargeFit> fits;
};

// A candidate's ions, calculated once and fitted to any number of spectra.
struct CandidateTheory {
    int status = 0;      // 0, or CalculatePattern's status for the candidate
    std::string reason;  // why it failed
    std::vector<Ion> ions;  // one per charge of its range, ascending
};

// Calculates the candidate's ion at each charge of its range (or its one
// adduct or suffix). On a failure (the molecule does not parse, a
// calculation fails) the result holds the status and the reason and no ions.
CandidateTheory CalculateCandidate(const std::deque<AtomIsoAbun>& table, const Candidate& candidate,
                                   const MatchSettings& s);

// Fits each ion of `theory` to the spectrum. The spacing of an envelope's
// peaks is that of its charge, so a wrong charge leaves most of its peaks
// unpaired and scores low. A failed theory gives its status and reason and
// no fits.
CandidateMatch FitCandidate(const MeasuredSpectrum& spectrum, const CandidateTheory& theory,
                            const EnvelopeSettings& s);

// CalculateCandidate, then FitCandidate.
CandidateMatch MatchCandidate(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                              const Candidate& candidate, const MatchSettings& s);

// MatchCandidate for candidates[from, to), the results stored at the same
// places of `matches` (as long as `candidates`), on up to `threads` threads
// (0: one per processor). Each candidate's result is the one MatchCandidate
// gives it alone.
void MatchCandidates(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum,
                     const std::vector<Candidate>& candidates, std::size_t from, std::size_t to,
                     const MatchSettings& s, unsigned threads, std::vector<CandidateMatch>& matches);

}  // namespace morvane

#endif
