#ifndef MORVANE_SPECTRUM_CALCULATESPECTRUM_H
#define MORVANE_SPECTRUM_CALCULATESPECTRUM_H

#include "engine/MolEnsemble.h"
#include "formula/MolComposition.h"
#include "spectrum/BaseSpectrum.h"

// The whole calculation of one molecule: its isotopic variants above thr
// (relative to the best so far), sorted by mass and merged at `degen` into
// peaks appended to `spectrum` (positions are m/z when `masstocharge`).
// `ensemble` is the generation's working space. Returns 0, or 6 for the
// generation's failure or for a peak whose position or height is not
// finite; on failure nothing is appended.
int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum);

#endif
