#ifndef MORVANE_PLOT_PLOTION_H
#define MORVANE_PLOT_PLOTION_H

#include <ostream>
#include <string>
#include <vector>

#include "elements/isotope.h"
#include "frontend/Options.h"

namespace morvane {

// The peaks of the ion `adduct` ([M+H]+, [M-H]-...) of the formula of `s`,
// normalised to the largest and unfiltered, at m/z (mass over |z|) as the
// pattern call gives them; the threshold and merge distance of `s` apply.
// Sets the charge of `s` to the ion's. Returns 0, or the exit status with
// its message written to `out`: 1 the table, 5 the adduct's text, 2 an ion
// the formula cannot make, as morvane-batch reports them.
int IonPeaks(RunSettings& s, const std::string& adduct, std::vector<isotope>& peaks, std::ostream& out);

}  // namespace morvane

#endif
