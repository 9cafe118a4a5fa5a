#include "engine/AtomEnsemble.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "core/Cancellation.h"
#include "engine/VariantEstimate.h"

namespace morvane {

namespace {

// Work units charged for storing a combination beyond its k counts: about
// its memory in ints (the list entry's links, mass and probability, the
// counts vector's header, allocator overhead, its pointer in the molecular
// ensemble's index table).
const long long STORE_COST = 32;
// Beyond this many atoms moved since the last stored combination, a
// combination's probability is first checked roughly for lying far below
// the subnormals.
const long long ROUGH_CHECK_DISTANCE = 64;
// Work units between looks for cancellation (a millisecond or less).
const long long CANCELLATION_UNITS = 1 << 16;

// Steps back from position p to the next one that still has atoms to move,
// raising each level maximum lm[p-1] to lm[p] on the way. At that position
// the atoms that sat at the old p move to p (the exchange), and the branch
// just finished is cut when it was falling and stayed below the cut value:
// the branches with fewer atoms at p-1 are then skipped. A branch whose
// probabilities all underflowed to 0.0 is never cut: it says nothing about
// where the level's peak lies (at high atom counts the peak may still be
// ahead of it). p becomes -1 when the enumeration is complete.
// With `belowRange` (a start far below the double range) a branch is cut
// only once the maximum of its level has reached the normal range: before,
// branches begin deep in the underflow and rise through the subnormals,
// where probabilities keep a few bits, neighbours come out equal, and such
// a plateau on the rising side would look like the falling one.
void Retreat(std::vector<int>& c, std::vector<double>& lm, int& p, bool& skip, double cut, bool belowRange)
{
    const int from = p;
    while (true) {
        bool rising = false;
        if (p > 0 && lm[p] > lm[p - 1]) {
            lm[p - 1] = lm[p];
            rising = true;
        }
        if (p == 0) {
            p = -1;
            return;
        }
        if (c[p - 1] == 0) {
            p -= 1;
            continue;
        }
        std::swap(c[from], c[p]);
        if (!rising && lm[p] > 0.0 && cut > lm[p] && (!belowRange || lm[p - 1] >= DBL_MIN)) {
            c[p - 1] += c[p];
            c[p] = 0;
            skip = true;
        } else {
            skip = false;
        }
        p -= 1;
        return;
    }
}

// True when the enumeration of every combination of n atoms over k entries
// (C(n+k-1, k-1) of them, all visited when nothing is cut) would cost more
// than `budget`: k units for each after the first. The count is formed in
// floating point and must pass the budget by a clear margin, so that
// rounding never calls a feasible enumeration hopeless.
bool BeyondBudget(int n, int k, long long budget)
{
    const double limit = (static_cast<double>(budget) / k + 1) * (1 + 1e-9);
    double count = 1;
    for (int i = 1; i < k && count <= limit; ++i) count = count * (static_cast<double>(n) + i) / i;
    return count > limit;
}

}  // namespace

AtomEnsemble::AtomEnsemble() {}

AtomEnsemble::AtomEnsemble(int elnum, int niso) : atom(elnum, niso) {}

AtomEnsemble::AtomEnsemble(AtomIsoAbun& a) : atom(a) {}

// Sum of c[j] * mass[j] from 0.0 in ascending j. Terms with c[j] == 0 add
// exactly +0.0 (masses are finite and not negative) and are skipped.
double AtomEnsemble::CombinationMass(const std::vector<int>& c) const
{
    double mass = 0.0;
    for (std::size_t j = 0; j < c.size(); ++j)
        if (c[j] != 0) mass += c[j] * atom.iso[j].mass;
    return mass;
}

// P(c) = P(B) * prod_j [ B_j! / c_j! * a_j^(c_j - B_j) ], B the last stored
// combination: the multinomial n!/prod c_j! * prod a_j^c_j relative to B's.
// Where c_j == B_j both factors are exactly 1 and are skipped. When every
// factor and every partial product is a normal double this is the whole
// computation; otherwise (long runs of unstored combinations make the
// factorial ratios and powers overflow or underflow, and a start near the
// bottom of the range takes partial products through the subnormals) the
// same products are formed again with their exponents carried.
// The partial product after the factorial ratio needs no test of its own:
// where c_j > B_j both factors are at most 1, so a product that falls out
// of the range stays out after the power; where c_j < B_j both are at least
// 1, so it can only overflow, and infinity stays infinite. Factors above 1
// cannot hide in a normal product either, only factors below the range can.
double AtomEnsemble::ProbabilityFromLastStored(const std::vector<int>& c, const ScaledDouble& last,
                                               ScaledDouble& carried, const PowerTable& powers) const
{
    const AtomDistribution& b = dist.back();
    long long moved = 0;
    for (std::size_t j = 0; j < c.size(); ++j) moved += std::abs(c[j] - b.nat[j]);
    if (moved > ROUGH_CHECK_DISTANCE && FarBelowSubnormals(c, last)) return 0.0;
    double p = b.abundance;
    bool outside = OutsideNormalRange(p);
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (c[j] == b.nat[j]) continue;
        const double f = fdiff(b.nat[j], c[j]);
        p = p * f;
        const double g = powers(j, c[j] - b.nat[j]);
        p = p * g;
        outside = outside || OutsideNormalRange(f) || OutsideNormalRange(g) || OutsideNormalRange(p);
    }
    if (!outside) return p;
    carried = last;
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (c[j] == b.nat[j]) continue;
        carried *= ScaledFdiff(b.nat[j], c[j]);
        carried *= ScaledPow(atom.iso[j].abundance, static_cast<double>(c[j] - b.nat[j]));
    }
    return carried.Value();
}

// Probabilities below 2^-1075 round to 0.0 however they are formed, so the
// products of the recurrence (whose factorial ratios cost one
// multiplication per atom moved since the last stored combination) are not
// needed for them. A rough log2 through lgamma tells them apart: its error
// is below 10^-3 for any 32-bit count, well within the margin kept. Checked
// only where many atoms have moved, this keeps the long runs of zeros in
// the tails, and before the peak of a start far below the range (C10^6
// starts near 10^-4670), linear in their length; only the few combinations
// just below the margin still take the long products (a broad peak rises by
// a factor 2 over about a hundred combinations at 2^31 atoms).
bool AtomEnsemble::FarBelowSubnormals(const std::vector<int>& c, const ScaledDouble& last) const
{
    const double LOWEST = -1075.01;
    const AtomDistribution& b = dist.back();
    double ln = 0;
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (c[j] == b.nat[j]) continue;
        ln += std::lgamma(b.nat[j] + 1.0) - std::lgamma(c[j] + 1.0) +
              (c[j] - b.nat[j]) * std::log(atom.iso[j].abundance);
    }
    const double log2 = static_cast<double>(last.exponent) + std::log2(last.significand) + ln / std::log(2.0);
    return log2 < LOWEST;
}

bool AtomEnsemble::EnumerateCombinations(int n, double thr, long long& budget)
{
    dist.clear();
    const int k = atom.niso;
    if (k == 0) {
        if (n != 0) return false;
        dist.push_back(AtomDistribution{0.0, 1.0, {}});
        return true;
    }
    // With no threshold nothing is cut: an enumeration that must end at the
    // work bound ends before it starts. With one, an enumeration whose
    // combinations above the threshold alone would cost more than the budget
    // to store (Sn100, Mo154: 4.5e7 of them) ends before it starts too.
    if (thr == 0 && BeyondBudget(n, k, budget)) return false;
    if (thr > 0 && EstimatedCombinations(atom, n, thr) * static_cast<double>(STORE_COST + k) > static_cast<double>(budget))
        return false;
    // Combinations in reverse lexicographic order of c, starting from (n,0,..,0).
    std::vector<int> c(static_cast<std::size_t>(k), 0);
    c[0] = n;
    // The last stored probability with its exponent: exact even when it
    // lies below the normal range, as the start does for many atoms (C70000
    // starts near 10^-330, its peak near 0.01). Within the range it is
    // pow's own result, so the start stored is the same as a plain power.
    ScaledDouble last = ScaledPow(atom.iso[0].abundance, n);
    if (!(last.significand > 0)) return false;
    const double p0 = last.Value();
    const bool belowRange = n > 0 && p0 < DBL_MIN;
    dist.push_back(AtomDistribution{CombinationMass(c), p0, c});
    ScaledDouble carried;  // a visited probability with its exponent, where it was carried

    const PowerTable powers(atom);
    std::vector<double> lm(static_cast<std::size_t>(k));  // level maxima
    lm[0] = p0;
    double best = p0;
    int p = 0;
    bool skip = false;
    // The budget at which to look at it again and for cancellation.
    long long nextCheck = std::max(budget - CANCELLATION_UNITS, 0LL);
    while (p >= 0) {
        if (p < k - 1 && !skip && c[p] > 0) {
            budget -= k;
            if (budget < nextCheck) {
                if (budget < 0) return false;
                CheckCancellation();
                nextCheck = std::max(budget - CANCELLATION_UNITS, 0LL);
            }
            // Advance: move one atom from entry p to entry p+1.
            c[p] -= 1;
            c[p + 1] += 1;
            const double prob = ProbabilityFromLastStored(c, last, carried, powers);
            if (prob > best * thr) {
                budget -= STORE_COST + k;
                if (budget < 0) return false;
                dist.push_back(AtomDistribution{CombinationMass(c), prob, c});
                // Below the normal range only the carried form keeps its bits.
                last = OutsideNormalRange(prob) ? carried : ScaledDouble::Of(prob);
                if (prob > best) best = prob;
            }
            p += 1;
            lm[p] = prob;
            if (prob > 1.0) return false;
        } else {
            Retreat(c, lm, p, skip, best * thr, belowRange);
        }
    }
    return true;
}

std::ostream& operator<<(std::ostream& os, AtomEnsemble& e)
{
    os << e.atom;
    for (const AtomDistribution& d : e.dist) os << d;
    return os;
}

}  // namespace morvane
