#include "spectrum/CoverageSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "core/Status.h"
#include "engine/CoverageModel.h"
#include "engine/KeptVariants.h"
#include "engine/MassBins.h"
#include "spectrum/MassSort.h"

namespace morvane {

namespace {

// Each round's threshold is at least this factor below the last.
const double LEAST_STEP = 0.5;
// The model aims at this share of the allowed shortfall, so that one round
// usually suffices.
const double AIM = 0.7;
// The fitted dimensions grow as the threshold falls: the next round aims
// with this many more.
const double DIMENSION_MARGIN = 0.5;
// The element lists are enumerated a little below the molecular threshold,
// so that rounding in their store test loses no combination a kept variant
// is made of.
const double ELEMENT_MARGIN = 0.999;
// Below this the threshold carries no meaning (the probabilities underflow).
const double SMALLEST_THRESHOLD = 1e-300;
// The most variants held at once (3 GB).
const std::size_t MAX_KEPT = std::size_t(1) << 27;
// Runs of equal probabilities at most this long are sorted.
const std::size_t SHORT_RANGE = 32;

// The probability p* with sum(P > p*) < target <= sum(P >= p*), by a
// three-way quickselect on `p` (reordered) that carries the sum of the part
// known to lie above. When rounding leaves the whole sum below the target,
// the smallest probability (everything is kept).
double BoundaryProbability(std::vector<double>& p, double target)
{
    std::size_t begin = 0, end = p.size();
    double above = 0;
    while (end - begin > SHORT_RANGE) {
        const double a = p[begin], b = p[begin + (end - begin) / 2], c = p[end - 1];
        const double pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        // [begin, gt) > pivot, [gt, lt) == pivot, [lt, end) < pivot.
        std::size_t gt = begin, i = begin, lt = end;
        while (i < lt) {
            if (p[i] > pivot) std::swap(p[i++], p[gt++]);
            else if (p[i] < pivot) std::swap(p[i], p[--lt]);
            else ++i;
        }
        double greater = 0, equal = 0;
        for (std::size_t k = begin; k < gt; ++k) greater += p[k];
        for (std::size_t k = gt; k < lt; ++k) equal += p[k];
        if (above + greater >= target) {
            end = gt;
        } else if (above + greater + equal >= target) {
            return pivot;
        } else {
            above += greater + equal;
            begin = lt;
        }
    }
    std::sort(p.begin() + static_cast<std::ptrdiff_t>(begin), p.begin() + static_cast<std::ptrdiff_t>(end),
              [](double x, double y) { return x > y; });
    for (std::size_t k = begin; k < end; ++k)
        if ((above += p[k]) >= target) return p[k];
    return *std::min_element(p.begin(), p.end());
}

std::string Describe(double target, double thr, double found, const char* why)
{
    std::ostringstream text;
    text.precision(16);
    text << "coverage " << target << " is out of reach: " << why;
    text.precision(6);
    text << " (at threshold " << thr << " the variants found hold ";
    text.precision(16);
    text << found << ")";
    return text.str();
}

}  // namespace

int FindCoverage(MolComposition& c, double target, MolEnsemble& ensemble, CoverageCut& cut,
                 std::vector<MolDistribution>& kept, std::string& reason)
{
    const double allowed = 1 - target;
    double x = LogThresholdFor(CoverageDimensions(c), AIM * allowed);
    double found = 0;
    for (;;) {
        const double thr = std::exp(-x);
        if (!(thr >= SMALLEST_THRESHOLD)) {
            reason = Describe(target, thr, found, "the threshold it needs underflows");
            return CALC_GENERATION_FAILED;
        }
        if (ensemble.GenerateElements(c, thr * ELEMENT_MARGIN) != 0) {
            reason = Describe(target, thr, found, "an element's enumeration reached its work bound");
            return CALC_GENERATION_FAILED;
        }
        const KeptVariants variants(ensemble, c.charge, thr, true);
        kept.clear();
        double total = 0;
        auto store = [&](double mass, double probability, const std::uint32_t*, std::uint32_t) {
            if (kept.size() == MAX_KEPT) return false;
            kept.push_back(MolDistribution{mass, probability, c.charge, static_cast<std::uint32_t>(kept.size())});
            total += probability;
            return true;
        };
        if (!variants.ForEach(store)) {
            reason = Describe(target, thr, found,
                              kept.size() == MAX_KEPT ? "it needs more than 2^27 variants"
                                                      : "the combination of the elements reached its work bound");
            return CALC_GENERATION_FAILED;
        }
        found = total;
        if (total >= target) {
            std::vector<double> p(kept.size());
            for (std::size_t i = 0; i < kept.size(); ++i) p[i] = kept[i].abundance;
            cut.thr = thr;
            cut.floor = BoundaryProbability(p, target);
            kept.erase(std::remove_if(kept.begin(), kept.end(),
                                      [&](const MolDistribution& v) { return v.abundance < cut.floor; }),
                       kept.end());
            return 0;
        }
        const double next = LogThresholdFor(FitDimensions(x, 1 - total) + DIMENSION_MARGIN, AIM * allowed);
        x = std::max(next, x - std::log(LEAST_STEP));
    }
}

namespace {

// Sorts the variants stably by mass in linear time on average: a counting
// sort into about one bucket per variant by a mapping that never decreases
// with the mass (MassBins), then a stable sort of each bucket.
void SortByMass(std::vector<MolDistribution>& variants)
{
    if (variants.size() < SHORT_RANGE) return StableSortByMass(variants);
    double low = variants[0].mass, high = variants[0].mass;
    for (const MolDistribution& v : variants) {
        low = std::min(low, v.mass);
        high = std::max(high, v.mass);
    }
    const MassBins buckets(low, high, static_cast<std::uint32_t>(std::min<std::size_t>(variants.size(), UINT32_MAX)));
    std::vector<std::size_t> starts(buckets.Count() + 1, 0);
    for (const MolDistribution& v : variants) ++starts[buckets.Index(v.mass) + 1];
    for (std::size_t b = 0; b < buckets.Count(); ++b) starts[b + 1] += starts[b];
    std::vector<MolDistribution> sorted(variants.size());
    std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
    for (const MolDistribution& v : variants) sorted[next[buckets.Index(v.mass)]++] = v;
    for (std::size_t b = 0; b < buckets.Count(); ++b) {
        const auto begin = sorted.begin() + static_cast<std::ptrdiff_t>(starts[b]);
        const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(starts[b + 1]);
        if (end - begin > static_cast<std::ptrdiff_t>(SHORT_RANGE)) {
            std::stable_sort(begin, end);
            continue;
        }
        // Insertion sort: stable, and no allocation for the short buckets.
        for (auto i = begin + (begin != end); i < end; ++i)
            for (auto j = i; j > begin && *j < *(j - 1); --j) std::iter_swap(j, j - 1);
    }
    variants.swap(sorted);
}

}  // namespace

void MergeVariants(std::vector<MolDistribution>& variants, bool masstocharge, int charge, double res,
                   BaseSpectrum* spectrum, std::vector<PeakSpan>* spans)
{
    if (masstocharge && charge == 0) return;
    SortByMass(variants);
    PeakMerger merger(spectrum, res, spans);
    const double z = masstocharge ? static_cast<double>(charge) : 1.0;
    merger.AddAll(variants.data(), variants.data() + variants.size(), &MolDistribution::mass,
                  &MolDistribution::abundance, z);
    merger.Finish();
}

}  // namespace morvane
