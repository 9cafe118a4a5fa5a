#ifndef MORVANE_PLOT_PLOTPATTERN_H
#define MORVANE_PLOT_PLOTPATTERN_H

#include <ostream>
#include <string>

#include "calc/Pattern.h"
#include "frontend/Options.h"
#include "morvane-plot/PlotPicture.h"

namespace morvane {

// The pattern morvane-plot draws, calculated by the library in the
// front-ends' formula language (or as a sequence, with --sequence): the
// table and settings of `s`, the molecule options, instrument and ion (-a)
// of `p`, normalised when asked. Returns 0, or the exit status after writing
// the message to `out`: 1 table (morvane's message), 5 a molecule option or
// the adduct's text, 2 the formula (or an ion it cannot make) with its
// reason, 6 the calculation (morvane's message).
int PlotPattern(const RunSettings& s, PlotSettings& p, bool normalize, PatternResult& r, std::ostream& out);

// An ion's pattern (an adduct's, or a sequence's with its charge suffix)
// comes in m/z of the ion's charge: `s` takes both, for the title and the
// axis.
void TakeIonCharge(const PlotSettings& p, const PatternResult& r, RunSettings& s);

// How the variants were chosen, for a title: "threshold t" with -t, else
// "coverage c" of the front-ends' coverage target.
std::string SelectionText(const RunSettings& s);

}  // namespace morvane

#endif
