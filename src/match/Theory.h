#ifndef MORVANE_MATCH_THEORY_H
#define MORVANE_MATCH_THEORY_H

#include <deque>
#include <string>
#include <vector>

#include "../calc/Pattern.h"
#include "../elements/AtomIsoAbun.h"
#include "../elements/isotope.h"
#include "Candidate.h"

namespace morvane {

// One ion of a candidate as the instrument shows it.
struct Ion {
    std::string adduct;            // the adduct written out ("[M+2H]2+"), or the sequence with its suffix
    int charge = 0;
    std::vector<isotope> peaks;    // ascending m/z; abundances are probabilities (summing to the coverage)
    double monoisotopic = 0;       // m/z of the monoisotopic ion
    // With a resolution, the variants under the peaks (the fine structure the
    // instrument blurs), ascending; else empty.
    std::vector<isotope> variants;
};

// The protonated (z > 0) or deprotonated (z < 0) ion's adduct: "[M+H]+",
// "[M+3H]3+", "[M-2H]2-".
std::string ProtonatedAdduct(int charge);

// The ion of `candidate` at `charge` (ignored when the candidate has an
// adduct, or a sequence with a charge suffix), calculated by
// CalculatePattern with `base` (its resolution, coverage, enrichment,
// fixed modifications; charge, adduct and m/z are set here) at one thread.
// Returns 0, or CalculatePattern's status with the reason (the candidate
// text in front); `ion` is then unchanged.
int CalculateIon(const std::deque<AtomIsoAbun>& table, const Candidate& candidate, int charge,
                 const PatternSettings& base, Ion& ion, std::string& reason);

}  // namespace morvane

#endif
