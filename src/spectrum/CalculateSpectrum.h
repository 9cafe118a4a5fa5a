#ifndef MORVANE_SPECTRUM_CALCULATESPECTRUM_H
#define MORVANE_SPECTRUM_CALCULATESPECTRUM_H

#include "../engine/ElementCache.h"
#include "../engine/MolEnsemble.h"
#include "../formula/MolComposition.h"
#include "BaseSpectrum.h"
#include "CoverageSpectrum.h"
#include "PeakMerger.h"

namespace morvane {

// The whole calculation of one molecule: its isotopic variants above thr
// (relative to the best so far), sorted by mass and merged at `degen` into
// peaks appended to `spectrum` (positions are m/z when `masstocharge`).
// The variants are counted into mass bins, then filled, sorted and merged
// bin by bin (AssembleBinned), within a memory budget that respects the
// process's address-space limit; the peaks are those of
// GenerateEnsemble + MakeSpectrum, byte for byte.
// `ensemble` is the generation's working space: it is left with the element
// ensembles and no variants. `threads` is the most threads the calculation
// may use (0: one per processor the process may run on, at most 8, and
// only for large molecules); a caller that already runs one calculation per
// thread passes 1.
// With `spans`, each peak's span (its first and last variant's positions) is
// appended to it, for a caller that goes through the variants again.
// Returns 0, or 6 for the generation's failure (at once when the variants
// are estimated beyond reach: engine/VariantEstimate.h), for a peak whose position
// or height is not finite, or for heights that sum above the probability of
// all the molecule's variants (the product over the elements of the sum of
// their abundances to the power of their counts) by more than 1e-6 of it;
// on failure nothing is appended.
int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum, int threads = 0, std::vector<PeakSpan>* spans = nullptr);
// The same peaks, with the element combinations taken from `cache` (and
// left there for the next molecule) instead of an ensemble.
int CalculateSpectrum(const MolComposition& c, double thr, bool masstocharge, double degen, ElementCache& cache,
                      BaseSpectrum* spectrum, int threads = 0, std::vector<PeakSpan>* spans = nullptr);

// The peaks of the variants a coverage target keeps, found by FindCoverage
// (which leaves `ensemble`, `cut` and `kept`), checked as above: merged
// from `kept` (reordered) when it holds them, else assembled from a search.
int CalculateSpectrum(const MolComposition& c, const CoverageCut& cut, const MolEnsemble& ensemble,
                      std::vector<HeldVariant>& kept, bool masstocharge, double degen, BaseSpectrum* spectrum, int threads = 0, std::vector<PeakSpan>* spans = nullptr);

// True when peak heights summing to `total` can be the molecule's: at most
// the probability of all its variants (above) plus 1e-6 of it. Sums of
// many variants round far less than that.
bool BelievableTotal(const MolComposition& c, double total);

}  // namespace morvane

#endif
