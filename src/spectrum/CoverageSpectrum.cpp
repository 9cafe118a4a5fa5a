#include "spectrum/CoverageSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>

#include "core/Status.h"
#include "engine/CoverageModel.h"
#include "engine/KeptVariants.h"
#include "engine/VariantEstimate.h"
#include "spectrum/BinnedSpectrum.h"

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
// The threshold of the floor is taken this much lower, so that rounding in
// its product with the top probability cuts no variant at the floor.
const double FLOOR_MARGIN = 1 - 1e-9;
// Below this the threshold carries no meaning (the probabilities underflow).
const double SMALLEST_THRESHOLD = 1e-300;
// Variants held for the selection of the boundary (192 MB with their
// probabilities' copy); beyond, it is narrowed down by the digits of their
// bits, one more run each.
const std::size_t HELD = std::size_t(1) << 23;
// Room for this many probabilities is kept on a thread for the next
// molecule (8 MB).
const std::size_t KEPT_ROOM = std::size_t(1) << 20;
// Runs of equal probabilities at most this long are sorted.
const std::size_t SHORT_RANGE = 32;

// The probability p* with above + sum(P > p*) < target <= above +
// sum(P >= p*), `above` holding the probabilities above all of `p`, by a
// three-way quickselect on `p` (reordered) that carries the sum of the part
// known to lie above. When rounding leaves the whole sum below the target,
// the smallest probability (everything is kept).
double BoundaryProbability(std::vector<double>& p, double target, double above)
{
    std::size_t begin = 0, end = p.size();
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

// A probability's bits, which order as the probabilities do (all >= 0).
std::uint64_t Bits(double p)
{
    std::uint64_t bits;
    std::memcpy(&bits, &p, sizeof bits);
    return bits;
}

const int DIGIT_BITS = 16;
const std::size_t DIGITS = std::size_t(1) << DIGIT_BITS;

// The probabilities whose bits begin with `prefix`, counted and summed by
// the next 16-bit digit of their bits.
struct DigitHistogram {
    DigitHistogram(int shift, std::uint64_t prefix) : shift(shift), prefix(prefix), count(DIGITS), sum(DIGITS) {}

    void Add(double p)
    {
        const std::uint64_t bits = Bits(p);
        if (bits >> shift >> DIGIT_BITS != prefix) return;
        const std::size_t digit = (bits >> shift) & (DIGITS - 1);
        ++count[digit];
        sum[digit] += p;
    }

    // The digit holding the boundary, adding the probabilities of the digits
    // above it to `above`: the lowest digit when rounding leaves the whole
    // sum below the target.
    std::size_t Boundary(double target, double& above) const
    {
        std::size_t lowest = DIGITS;
        double aboveLowest = above;
        for (std::size_t d = DIGITS; d-- > 0;) {
            if (count[d] == 0) continue;
            if (above + sum[d] >= target) return d;
            lowest = d;
            aboveLowest = above;
            above += sum[d];
        }
        above = aboveLowest;
        return lowest;
    }

    int shift;              // the digit is bits >> shift, less the prefix
    std::uint64_t prefix;   // bits >> (shift + 16) of the probabilities counted
    std::vector<unsigned long long> count;
    std::vector<double> sum;
};

// The boundary probability of the search's variants, which hold at least
// the target together, from the histogram of their leading digits: each
// round fixes one more digit of the boundary's bits with one more run,
// until the probabilities that share the fixed digits are few enough to be
// held, or all equal.
double BoundaryByDigits(const KeptVariants& variants, DigitHistogram histogram, double target)
{
    double above = 0;
    for (;;) {
        const std::size_t digit = histogram.Boundary(target, above);
        const std::uint64_t prefix = histogram.prefix << DIGIT_BITS | digit;
        const int shift = histogram.shift;
        if (shift == 0) {
            double p;
            std::memcpy(&p, &prefix, sizeof p);
            return p;
        }
        if (histogram.count[digit] <= HELD) {
            std::vector<double> held;
            auto hold = [&](double, double p, const std::uint32_t*, std::uint32_t) {
                if (Bits(p) >> shift == prefix) held.push_back(p);
                return true;
            };
            variants.ForEach(hold);
            return BoundaryProbability(held, target, above);
        }
        histogram = DigitHistogram(shift - DIGIT_BITS, prefix);
        auto count = [&](double, double p, const std::uint32_t*, std::uint32_t) {
            histogram.Add(p);
            return true;
        };
        variants.ForEach(count);
    }
}

// What to try when the work bounds stop a target.
const char* const LESS_WORK = " (a smaller coverage target, or a threshold, needs less work)";

// Why the target is out of reach, and how far the last completed round got
// (none when `tried` is 0).
std::string Describe(double target, const char* why, double tried, double found)
{
    std::ostringstream text;
    text.precision(16);
    text << "coverage " << target << " is out of reach: " << why;
    if (tried == 0) return text.str();
    text.precision(6);
    text << "; the variants above " << tried << " of the most probable hold ";
    text.precision(16);
    text << found;
    return text.str();
}

// The boundary probability of the held variants, and only those at or above
// it left held, in their order.
double HeldBoundary(std::vector<HeldVariant>& held, double target)
{
    // Kept from one molecule to the next on the thread, unless large.
    thread_local std::vector<double> p;
    p.resize(held.size());
    for (std::size_t i = 0; i < held.size(); ++i) p[i] = held[i].probability;
    const double floor = BoundaryProbability(p, target, 0);
    held.erase(std::remove_if(held.begin(), held.end(), [floor](const HeldVariant& v) { return v.probability < floor; }),
               held.end());
    if (p.capacity() > KEPT_ROOM) std::vector<double>().swap(p);
    return floor;
}

}  // namespace

int FindCoverage(MolComposition& c, double target, MolEnsemble& ensemble, CoverageCut& cut,
                 std::vector<HeldVariant>& kept, std::string& reason)
{
    const double allowed = 1 - target;
    double x = FirstLogThreshold(c, AIM * allowed);
    double tried = 0, found = 0;
    for (;;) {
        const double thr = std::exp(-x);
        if (!(thr >= SMALLEST_THRESHOLD)) {
            reason = Describe(target, "the threshold it needs underflows", tried, found);
            return CALC_GENERATION_FAILED;
        }
        cut.thr = thr;
        if (BeyondReach(c, thr) || ensemble.GenerateElements(c, thr * ELEMENT_MARGIN) != 0) {
            reason = Describe(target, "the elements' combinations of the threshold it needs next exceed the work bound",
                              tried, found) + LESS_WORK;
            return CALC_GENERATION_FAILED;
        }
        const KeptVariants variants(ensemble, c.charge, thr, true);
        // The variants are held while they are few; the histogram of their
        // probabilities' leading digits takes over beyond.
        kept.clear();
        std::unique_ptr<DigitHistogram> leading;
        double total = 0;
        auto add = [&](double mass, double probability, const std::uint32_t*, std::uint32_t) {
            total += probability;
            if (!leading && kept.size() == HELD) {
                leading = std::make_unique<DigitHistogram>(64 - DIGIT_BITS, 0);
                for (const HeldVariant& v : kept) leading->Add(v.probability);
                std::vector<HeldVariant>().swap(kept);
            }
            if (leading) leading->Add(probability);
            else kept.push_back(HeldVariant{mass, probability});
            return true;
        };
        if (!variants.ForEach(add)) {
            reason = Describe(target, "the variants of the threshold it needs next exceed the work bound", tried, found) +
                     LESS_WORK;
            return CALC_GENERATION_FAILED;
        }
        tried = thr;
        found = total;
        if (total >= target) {
            cut.floor = leading ? BoundaryByDigits(variants, *leading, target) : HeldBoundary(kept, target);
            // The floor's own threshold, a hair lower for rounding, spares
            // the runs that find the kept variants again the visits between.
            cut.thr = std::max(thr, cut.floor / variants.Search().TopProbability() * FLOOR_MARGIN);
            return 0;
        }
        const double next = LogThresholdFor(FitDimensions(x, 1 - total) + DIMENSION_MARGIN, AIM * allowed);
        x = std::max(next, x - std::log(LEAST_STEP));
    }
}

}  // namespace morvane
