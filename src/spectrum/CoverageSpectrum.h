#ifndef MORVANE_SPECTRUM_COVERAGESPECTRUM_H
#define MORVANE_SPECTRUM_COVERAGESPECTRUM_H

#include <string>
#include <vector>

#include "../engine/MolEnsemble.h"
#include "../formula/MolComposition.h"
#include "BinnedSpectrum.h"

namespace morvane {

// Where the coverage target's search settled: its threshold (relative to
// the most probable variant, applied from the top) and the smallest
// probability kept. The kept variants are exactly those of probability at
// least `floor`.
struct CoverageCut {
    double thr = 0;
    double floor = 0;
};

// The smallest set of variants, taken by decreasing probability, whose
// probabilities sum to at least `target` (0 < target < 1), every variant as
// probable as the last one taken kept too.
//
// Method: the search cuts at a fixed probability, thr times that of the
// most probable variant, and so finds every variant above it and nothing
// below. A model of the probability outside (engine/CoverageModel.h)
// chooses thr; when the variants found hold less than the target, the model
// is fitted to the shortfall and the search runs again lower, each time at
// least halving thr. Once they hold enough, the boundary probability is
// found by a selection with running sums (linear on average) among them,
// held while there are at most 2^23 (24 bytes each); beyond,
// a histogram of the leading 16 bits of the probabilities' bits finds the
// part that holds the boundary, and each further run narrows it by 16 more
// bits until the part can be held. Cost: one element enumeration and one
// search per round (usually one or two rounds), then, for many variants,
// a search per 16 bits (usually one); memory for at most 2^23 variants and
// the element lists.
//
// On success `ensemble` holds the element ensembles of the last round and
// `cut` the search that finds the kept variants again (KeptVariants, or the
// assembly of their peaks with fromTop and the floor); `kept` holds the kept
// variants in generation order when they were few enough to hold (the
// search then need not run again), else nothing. Returns 0, or 6 with the
// reason, which says how much the last completed round held, when the
// variants of the next round are estimated beyond reach
// (engine/VariantEstimate.h; cut.thr is then that round's threshold) or
// exceed a work bound, or the threshold it needs underflows (a target too
// close to 1 for the rounding of the sum).
int FindCoverage(MolComposition& c, double target, MolEnsemble& ensemble, CoverageCut& cut,
                 std::vector<HeldVariant>& kept, std::string& reason);

}  // namespace morvane

#endif
