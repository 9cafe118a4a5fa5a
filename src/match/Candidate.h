#ifndef MORVANE_MATCH_CANDIDATE_H
#define MORVANE_MATCH_CANDIDATE_H

#include <string>

namespace morvane {

// A molecule looked for in a spectrum, and the ions it may show as.
struct Candidate {
    std::string text;      // as written, for the output's first column
    std::string molecule;  // a formula, or a ProForma sequence when `sequence`
    bool sequence = false;
    // The ion as an adduct, "[M+Na]+"; empty: the molecule gains (or, for a
    // negative charge, loses) one proton per charge, over the charge range,
    // or carries the charge of a sequence's suffix (/2).
    std::string adduct;
    // The charges to try, both 0 when none was written (the matcher's
    // default range then applies); both of one sign.
    int minCharge = 0;
    int maxCharge = 0;
};

// The largest charge a candidate's range may reach either way.
const int MAX_MATCH_CHARGE = 100;

// Reads a candidate: the molecule, then optionally one of an adduct in
// brackets ("[M+2H]2+"), "z=N" or "z=A..B" (A and B of one sign, not 0, at
// most MAX_MATCH_CHARGE in size; A..B in either order), separated by spaces
// or tabs. `sequence` says how the molecule is read; a sequence with a
// charge suffix takes no adduct nor z. Returns false with the reason;
// `candidate` is then unchanged. The molecule itself is read only when its
// pattern is calculated.
bool ParseCandidate(const std::string& text, bool sequence, Candidate& candidate, std::string& reason);

}  // namespace morvane

#endif
