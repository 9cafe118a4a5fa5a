#ifndef MORVANE_PLOT_RESOLVEDPICTURE_H
#define MORVANE_PLOT_RESOLVEDPICTURE_H

#include <ostream>

#include "frontend/Options.h"
#include "morvane-plot/PlotPicture.h"
#include "morvane-plot/SvgPlot.h"

namespace morvane {

// The picture of a pattern as the instrument of p.instrument shows it: the
// variants as sticks (in percent of the largest; grouped within a fiftieth
// of the local width unless -r is given), the instrument's profile of them
// (in percent of its top) and its centroids labelled. Calculates with the
// library; returns 0, or the exit status after writing the message to
// `out`: 1 table, 2 formula (morvane's messages), 6 the calculation or a
// profile too large, with its reason.
int ResolvedPicture(RunSettings s, PlotSettings& p, PatternPicture& pic, std::ostream& out);

}  // namespace morvane

#endif
