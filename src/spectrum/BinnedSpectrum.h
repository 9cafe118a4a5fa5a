#ifndef MORVANE_SPECTRUM_BINNEDSPECTRUM_H
#define MORVANE_SPECTRUM_BINNEDSPECTRUM_H

#include <cstddef>
#include <cstdint>

#include "../engine/VariantSearch.h"
#include "BaseSpectrum.h"
#include "PeakMerger.h"

namespace morvane {

// A variant's mass and probability, as the assembly holds it.
struct HeldVariant {
    double mass;
    double probability;
};

// How the binned assembly may work.
struct BinnedSettings {
    unsigned threads = 1;                  // at most this many threads (0 counts as 1)
    std::size_t budget = 0;                // bytes for the variants of one pass; 0: chosen by size and limit
    std::uint32_t bins = std::uint32_t(1) << 16;  // mass bins at most
    std::vector<PeakSpan>* spans = nullptr;       // when set, receives each peak's span
    // A search of at most this many cut-free visits runs once, keeping every
    // variant (at most 16 bytes each): counting into bins and filling them
    // would run it twice.
    long long singleRunVisits = 1 << 16;
    // The cut of a coverage target: the search runs from the most probable
    // variant, so that its cut is a fixed probability, and only variants of
    // probability at least `floor` are kept.
    bool fromTop = false;
    double floor = 0;
};

// What one assembly did, for the benchmarks.
struct BinnedReport {
    unsigned long long variants = 0;
    long long visits = 0;  // as the work bound counts them
    std::uint32_t bins = 0;
    unsigned passes = 0;
    unsigned threads = 1;  // the most used at once
    std::size_t slotBytes = 0;  // the variant slots of the largest pass
};

// The peaks of the search's variants, in the order and with the sums of a
// stable sort of all of them by mass followed by chained merging at `res`
// (MolEnsemble::MakeSpectrum), without keeping them all at once.
//
// Phase one runs the search and only counts the variants into mass bins
// (MassBins between the exact mass bounds). Phase two runs the search
// again and writes each variant's mass and probability (16 bytes) into its
// bin's slots, in generation order; each bin is then sorted stably and
// merged at once, the merge state carried from bin to bin. When the slots
// exceed the budget, phase two runs in passes, each over a run of bins that
// fits (a single bin larger than the budget makes a pass of its own): as
// few passes as the budget allows, planned from the counts so that they
// hold about equal shares, and one buffer, sized for the largest, serves
// them all. With
// several threads, both phases share out groups of element 0's
// combinations, each group started with the exact best-so-far and counted
// into bins of its own, so that in phase two it writes into its own part
// of each bin, the parts in the order of one run; the threads then take
// runs of the pass's bins in turn to sort, and the runs are merged in
// order. A small search (settings.singleRunVisits) runs only once
// instead, every variant kept, and is sorted as one bin. The
// peaks are the same bytes for any budget, bin count and thread count.
//
// Positions are mass / charge in mass-to-charge mode (no peaks at all for
// charge 0). Returns 0, or 6 when the visits exceed MAX_COMBINATION_VISITS
// (found in phase one, before anything is appended; at once with a
// threshold of 0, where they are the cut-free count), when no variant has
// a probability above 0, or when the search has no element. Memory
// exhaustion propagates as std::bad_alloc, possibly after some peaks were
// appended.
int AssembleBinned(const VariantSearch& search, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
                   const BinnedSettings& settings, BinnedReport* report = nullptr);

// The peaks of variants held in generation order, the bytes AssembleBinned
// gives for the same variants: a stable sort by mass (`variants` is
// reordered), then the merge at `res` (positions mass / charge in
// mass-to-charge mode, no peaks at all for charge 0), appended to
// `spectrum` and, with `spans`, their spans.
void MergeHeld(std::vector<HeldVariant>& variants, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
               std::vector<PeakSpan>* spans);

}  // namespace morvane

#endif
