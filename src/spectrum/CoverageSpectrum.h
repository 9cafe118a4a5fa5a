#ifndef MORVANE_SPECTRUM_COVERAGESPECTRUM_H
#define MORVANE_SPECTRUM_COVERAGESPECTRUM_H

#include <string>
#include <vector>

#include "../engine/MolDistribution.h"
#include "../engine/MolEnsemble.h"
#include "../formula/MolComposition.h"
#include "BaseSpectrum.h"
#include "PeakMerger.h"

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
// found by a selection with running sums (linear on average), and the
// variants at or above it are kept. Cost: one element enumeration and one
// search per round (usually one or two rounds), the variants of the last
// round held in memory (24 bytes each), and a linear selection.
//
// On success `ensemble` holds the element ensembles of the last round,
// `kept` the kept variants in generation order (their `atomdist` the
// generation ordinal), and `cut` the search that finds them again
// (KeptVariants with fromTop). Returns 0, or 6 with the reason when the
// work bounds (or 2^27 variants) are reached before the target, or the
// threshold it needs underflows (a target too close to 1 for the rounding
// of the sum).
int FindCoverage(MolComposition& c, double target, MolEnsemble& ensemble, CoverageCut& cut,
                 std::vector<MolDistribution>& kept, std::string& reason);

// Sorts the variants stably by mass and merges them at `res` as the spectrum
// assembly does (positions m/z when `masstocharge`; no peaks for charge 0
// then), appending the peaks to `spectrum` and, with `spans`, their spans.
void MergeVariants(std::vector<MolDistribution>& variants, bool masstocharge, int charge, double res,
                   BaseSpectrum* spectrum, std::vector<PeakSpan>* spans);

}  // namespace morvane

#endif
