#ifndef MORVANE_ENGINE_VARIANTSEARCH_H
#define MORVANE_ENGINE_VARIANTSEARCH_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "AtomEnsemble.h"
#include "MassBins.h"
#include "MolDistribution.h"
#include "../core/Cancellation.h"

namespace morvane {

// The depth-first combination of one stored combination per element into
// molecular variants: element 0 outermost, each element's combinations in
// list order; a prefix whose probability falls below best * thr (best: the
// most probable variant found so far) is skipped with everything beneath it.
// The search is deterministic, so it can be run again and again (once to
// count the variants into mass bins, then to fill them) and gives the same
// variants, in the same order, with the same sums every time.
//
// The best so far is known in closed form wherever the search stands, and
// with it every cut, so work can be skipped exactly, leaving the variants,
// their order and every value as they are:
// - best only rises to the probability of a variant that beats it, and such
//   a variant always passes the cut (thr < 1). So after a subtree best is
//   the larger of its old value and the subtree's top product (its prefix
//   product times each later element's largest probability, multiplied in
//   element order: no variant beneath is larger, rounding being monotonic);
//   and within the innermost element's list, before entry j it is the
//   larger of its value at the parent and the parent's product times the
//   largest probability of the entries before j.
// - So the innermost entries can be tried in any subset, in list order:
//   only those among the leading entries by probability that reach the
//   parent's cut, and, when only a mass window is wanted, only those whose
//   variant falls in it. Subtrees whose variants all fall outside the
//   window are passed over, with best raised in closed form; and the
//   search can start at any combination of element 0 with the exact best
//   the full run has there (StartingBests).
class VariantSearch {
public:
    // A combination reduced to what the search needs.
    struct Entry {
        double mass;
        double abundance;
    };
    // One element's combinations, in list order, held elsewhere.
    struct EntryList {
        const Entry* entries;
        std::size_t count;

        std::size_t size() const { return count; }
        const Entry& operator[](std::size_t j) const { return entries[j]; }
        const Entry* begin() const { return entries; }
        const Entry* end() const { return entries + count; }
    };

    // Working state of one run; one per thread.
    struct State {
        std::vector<std::uint32_t> cursor;  // per element, the combination in use
        std::vector<double> cp, cm;         // prefix products and mass sums
        long long visits = 0;               // combinations tried, as the work bound counts them
        double best = 0;                    // the most probable variant so far
    };

    // The element ensembles are read (their `dist` lists, in order); at
    // least one, each with at least one combination. `charge` shifts every
    // mass by charge times the electron factor.
    VariantSearch(const AtomEnsemble* elements, int count, int charge, double thr);
    // The same search over lists of combinations that live as long as it
    // does (such as those of an ElementCache), element 0 first.
    VariantSearch(const std::vector<Entry>* const* elements, int count, int charge, double thr);
    VariantSearch(const VariantSearch&) = delete;
    VariantSearch& operator=(const VariantSearch&) = delete;

    int Elements() const { return static_cast<int>(lists.size()); }
    const EntryList& List(int element) const { return lists[static_cast<std::size_t>(element)]; }
    State NewState() const;
    // Makes s a new state for this search, keeping its room.
    void Reset(State& s) const;

    // Bounds that every variant's mass lies within, exactly (the sums are
    // formed as the variants' are, from each element's extreme masses).
    double LowestMass() const;
    double HighestMass() const;
    // The visits of a run that cuts nothing, saturated at `cap`: those of
    // every run when the threshold is 0.
    long long CutFreeVisits(long long cap) const;
    bool CutsNothing() const { return thr == 0; }
    // For each combination k of element 0, the best so far when the full
    // run arrives at it; entry k = size is the best at the end.
    std::vector<double> StartingBests() const;
    // The probability of the most probable variant, formed as the variants'
    // are: each element's largest probability multiplied in element order.
    // Run from a state whose best is this, the cut is a fixed probability.
    double TopProbability() const { return SubtreeBest(1.0, 0); }

    // Runs the search over the subtrees of element 0's combinations first
    // to last-1, starting with s.best, and calls sink(mass, probability,
    // cursor, innermost) for each variant in order (cursor holds the chosen
    // combination of every element but the last, innermost that of the
    // last). With a window, subtrees whose variants all lie in bins outside
    // it are passed over (the sink still sees variants outside it). Adds to
    // s.visits (exactly the work bound's count only without a window) and
    // returns false as soon as it exceeds `limit`, or when the sink returns
    // false. Looks for cancellation every CANCELLATION_VISITS visits.
    template <class Sink>
    bool Run(State& s, std::size_t first, std::size_t last, const BinWindow* window, long long limit,
             Sink& sink) const;

private:
    static constexpr long long CANCELLATION_VISITS = 1 << 16;

    // Looks for cancellation (throwing Cancelled); returns the count of
    // visits at which to look again. Out of line: the search's loop stays
    // as lean as with the bound alone.
    [[gnu::cold, gnu::noinline]] static long long NextCheckpoint(long long visits, long long limit);

    // The innermost element's list indexed for the walks: entries of a set
    // as bit sets in list order, for the K most probable (every K up to 32,
    // then about 12 % apart) and for those of the r lightest (r in even
    // steps). Built when the search has two elements or more, the list is
    // not too long and the search is large enough to pay for it.
    struct Ranking {
        std::vector<double> abundances;        // in decreasing order
        std::vector<std::size_t> topSizes;     // the K with a bit set
        std::vector<std::uint64_t> topBits;    // one set per K, `words` each
        std::vector<double> masses;            // in increasing order
        std::size_t massStep = 1;              // bit set r: the r * massStep lightest
        std::vector<std::uint64_t> lightBits;  // one set per r, `words` each
        std::vector<double> largestBefore;     // per entry: top probability before it
        std::size_t words = 0;
    };

    std::vector<std::vector<Entry>> owned;  // the lists, when made from element ensembles
    std::vector<EntryList> lists;
    std::vector<double> lowest, highest, largest;  // per element: mass bounds, top probability
    double chargeShift;
    double thr;
    Ranking ranking;

    void Bound();
    void RankInnermost();
    double SubtreeBest(double product, std::size_t from) const;
    bool Outside(const State& s, std::size_t level, const BinWindow& w) const;
    const std::uint64_t* LightestBits(std::size_t r, bool roundUp) const;
    template <class Sink>
    bool Walk(State& s, std::size_t first, std::size_t last, double& best, Sink& sink) const;
    template <class Sink>
    bool Innermost(State& s, const BinWindow* window, double& best, Sink& sink) const;
};

// Every entry first..last-1 of the innermost list, in turn.
template <class Sink>
bool VariantSearch::Walk(State& s, std::size_t first, std::size_t last, double& best, Sink& sink) const
{
    const std::size_t level = lists.size() - 1;
    const EntryList& list = lists[level];
    const double p = s.cp[level], m = s.cm[level];
    for (std::size_t j = first; j < last; ++j) {
        const double q = p * list[j].abundance;
        if (best * thr > q) continue;
        if (!sink(chargeShift + (m + list[j].mass), q, s.cursor.data(), static_cast<std::uint32_t>(j))) return false;
        if (q > best) best = q;
    }
    return true;
}

// The innermost list under the parent in s, trying only the entries that
// can pass the cut and, with a window, fall in it.
template <class Sink>
bool VariantSearch::Innermost(State& s, const BinWindow* window, double& best, Sink& sink) const
{
    const std::size_t level = lists.size() - 1;
    const EntryList& list = lists[level];
    const std::size_t n = list.size();
    if (ranking.words == 0) return Walk(s, 0, n, best, sink);
    const Ranking& r = ranking;
    const double p = s.cp[level], m = s.cm[level], start = best;
    // None reaches the parent's cut: best stays.
    if (start * thr > p * r.abundances[0]) return true;
    // The entries whose variant may fall in the window: a range by mass.
    std::size_t light = 0, heavy = n;
    if (window != nullptr) {
        const double shifted = chargeShift + m;
        light = static_cast<std::size_t>(
            std::partition_point(r.masses.begin(), r.masses.end(),
                                 [&](double x) { return shifted + x < window->low; }) - r.masses.begin());
        heavy = static_cast<std::size_t>(
            std::partition_point(r.masses.begin() + static_cast<std::ptrdiff_t>(light), r.masses.end(),
                                 [&](double x) { return !(shifted + x > window->high); }) - r.masses.begin());
    }
    if (light < heavy) {
        // The entries that reach the parent's cut: a prefix by probability.
        std::size_t top = n;
        if (start * thr > 0)
            top = static_cast<std::size_t>(
                std::partition_point(r.abundances.begin() + 1, r.abundances.end(),
                                     [&](double a) { return !(start * thr > p * a); }) -
                r.abundances.begin());
        const std::uint64_t* topBits = nullptr;
        if (top < n) {
            const std::size_t t = static_cast<std::size_t>(
                std::lower_bound(r.topSizes.begin(), r.topSizes.end(), top) - r.topSizes.begin());
            topBits = &r.topBits[t * r.words];
        }
        const std::uint64_t* below = light > 0 ? LightestBits(light, false) : nullptr;
        const std::uint64_t* upTo = heavy < n ? LightestBits(heavy, true) : nullptr;
        for (std::size_t w = 0; w < r.words; ++w) {
            std::uint64_t word = w + 1 < r.words || n % 64 == 0 ? ~std::uint64_t(0) : (std::uint64_t(1) << (n % 64)) - 1;
            if (topBits != nullptr) word &= topBits[w];
            if (below != nullptr) word &= ~below[w];
            if (upTo != nullptr) word &= upTo[w];
            for (; word != 0; word &= word - 1) {
                const std::size_t j = w * 64 + static_cast<std::size_t>(__builtin_ctzll(word));
                const double q = p * list[j].abundance;
                if (std::max(start, p * r.largestBefore[j]) * thr > q) continue;
                if (!sink(chargeShift + (m + list[j].mass), q, s.cursor.data(), static_cast<std::uint32_t>(j)))
                    return false;
            }
        }
    }
    best = std::max(start, p * largest[level]);
    return true;
}
template <class Sink>
bool VariantSearch::Run(State& s, std::size_t first, std::size_t last, const BinWindow* window, long long limit,
                        Sink& sink) const
{
    const std::size_t e = lists.size();
    double best = s.best;
    long long visits = s.visits;  // counted here: in the state, each visit waited on the store of the last
    // The next count at which to look at the bound and for cancellation:
    // one comparison per visit, as the bound alone took.
    long long checkpoint = std::min(limit, visits + CANCELLATION_VISITS);
    auto finish = [&](bool complete) {
        s.best = best;
        s.visits = visits;
        return complete;
    };
    s.cp[0] = 1.0;
    s.cm[0] = 0.0;
    if (first >= last) return finish(true);
    if (e == 1) {
        visits += static_cast<long long>(last - first);
        return finish(Walk(s, first, last, best, sink) && visits <= limit);
    }
    std::size_t i = 0;
    s.cursor[0] = static_cast<std::uint32_t>(first);
    for (;;) {
        // 0 <= i < e-1: try combination cursor[i] of element i.
        const Entry& d = lists[i][s.cursor[i]];
        ++visits;
        s.cp[i + 1] = s.cp[i] * d.abundance;
        s.cm[i + 1] = s.cm[i] + d.mass;
        if (!(best * thr > s.cp[i + 1])) {
            if (window != nullptr && Outside(s, i + 1, *window)) {
                const double q = SubtreeBest(s.cp[i + 1], i + 1);
                if (q > best) best = q;
            } else if (i + 2 < e) {
                s.cursor[++i] = 0;
                continue;
            } else {
                visits += static_cast<long long>(lists[e - 1].size());
                if (!Innermost(s, window, best, sink)) return finish(false);
            }
        }
        if (visits > checkpoint) {
            if (visits > limit) return finish(false);
            checkpoint = NextCheckpoint(visits, limit);
        }
        // Next combination at this level, climbing up when a list is done.
        while (++s.cursor[i] == (i == 0 ? last : lists[i].size())) {
            if (i == 0) return finish(true);
            --i;
        }
    }
}

}  // namespace morvane

#endif
