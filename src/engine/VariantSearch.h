#ifndef MORVANE_ENGINE_VARIANTSEARCH_H
#define MORVANE_ENGINE_VARIANTSEARCH_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/AtomEnsemble.h"
#include "engine/MassBins.h"
#include "engine/MolDistribution.h"

// The depth-first combination of one stored combination per element into
// molecular variants: element 0 outermost, each element's combinations in
// list order; a prefix whose probability falls below best * thr (best: the
// most probable variant found so far) is skipped with everything beneath it.
// The search is deterministic, so it can be run again and again (once to
// count the variants into mass bins, then to fill them) and gives the same
// variants, in the same order, with the same sums every time.
//
// Two exact shortcuts leave the variants, their order and every value as
// they are:
// - the innermost element's combinations are walked only where they can
//   pass: for each parent the leading entries by probability whose product
//   reaches the cut are found by binary search, and only they are walked,
//   in list order, each still tested against the cut of its moment;
// - the best variant of a subtree is known in closed form: its prefix
//   product times each later element's largest probability, multiplied in
//   element order (every variant beneath is a product of no larger factors,
//   and this one is either appended or cut by a best that is larger still).
//   So a subtree can be passed over, with best raised to that value, when
//   none of its variants is wanted (outside a mass window), and the search
//   can start at any combination of element 0 with the exact best the full
//   run would have there.
class VariantSearch {
public:
    // A combination reduced to what the search needs.
    struct Entry {
        double mass;
        double abundance;
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

    int Elements() const { return static_cast<int>(lists.size()); }
    const std::vector<Entry>& List(int element) const { return lists[static_cast<std::size_t>(element)]; }
    State NewState() const;

    // Bounds that every variant's mass lies within, exactly (the sums are
    // formed as the variants' are, from each element's extreme masses).
    double LowestMass() const;
    double HighestMass() const;
    // The visits of a run that cuts nothing, saturated at `cap`.
    long long CutFreeVisits(long long cap) const;
    // For each combination k of element 0, the best so far when the full
    // run arrives at it; entry k = size is the best at the end.
    std::vector<double> StartingBests() const;

    // Runs the search over the subtrees of element 0's combinations first
    // to last-1, starting with s.best, and calls sink(mass, probability,
    // cursor, innermost) for each variant in order (cursor holds the chosen
    // combination of every element but the last, innermost that of the
    // last). With a window, subtrees whose variants all lie in bins outside
    // it are passed over (the sink still sees variants outside it). Adds to
    // s.visits and returns false as soon as it exceeds `limit`, or when
    // the sink returns false.
    template <class Sink>
    bool Run(State& s, std::size_t first, std::size_t last, const BinWindow* window, long long limit,
             Sink& sink) const;

private:
    std::vector<std::vector<Entry>> lists;
    std::vector<double> lowest, highest, largest;  // per element: mass bounds, top probability
    double chargeShift;
    double thr;
    // The innermost element's combinations ranked by probability: sorted
    // probabilities, and for a few leading counts K (every K up to 32, then
    // about 12 % apart) the set of the K most probable as a bit set in list
    // order. Empty when the search has one element or the list is large.
    std::vector<double> rankedAbundance;
    std::vector<std::size_t> levelSize;
    std::vector<std::uint64_t> levelBits;
    std::size_t levelWords = 0;

    void RankInnermost();
    double SubtreeBest(double product, std::size_t from) const;
    bool Outside(const State& s, std::size_t level, const BinWindow& w) const;
    template <class Sink>
    bool Innermost(State& s, std::size_t first, std::size_t last, double& best, Sink& sink) const;
};

template <class Sink>
bool VariantSearch::Innermost(State& s, std::size_t first, std::size_t last, double& best, Sink& sink) const
{
    const std::size_t level = lists.size() - 1;
    const std::vector<Entry>& list = lists[level];
    const double p = s.cp[level], m = s.cm[level];
    s.visits += static_cast<long long>(last - first);
    auto attempt = [&](std::size_t j) {
        const double q = p * list[j].abundance;
        if (best * thr > q) return true;
        if (!sink(chargeShift + (m + list[j].mass), q, s.cursor.data(), static_cast<std::uint32_t>(j)))
            return false;
        if (q > best) best = q;
        return true;
    };
    const double cut = best * thr;
    if (!levelSize.empty() && cut > 0 && first == 0 && last == list.size()) {
        // How many of the most probable entries reach the cut now.
        std::size_t lo = 0, hi = rankedAbundance.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (cut > p * rankedAbundance[mid]) hi = mid;
            else lo = mid + 1;
        }
        if (lo == 0) return true;
        const std::size_t t = static_cast<std::size_t>(
            std::lower_bound(levelSize.begin(), levelSize.end(), lo) - levelSize.begin());
        if (levelSize[t] < list.size()) {
            const std::uint64_t* bits = &levelBits[t * levelWords];
            for (std::size_t w = 0; w < levelWords; ++w)
                for (std::uint64_t word = bits[w]; word != 0; word &= word - 1)
                    if (!attempt(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)))) return false;
            return true;
        }
    }
    for (std::size_t j = first; j < last; ++j)
        if (!attempt(j)) return false;
    return true;
}

template <class Sink>
bool VariantSearch::Run(State& s, std::size_t first, std::size_t last, const BinWindow* window, long long limit,
                        Sink& sink) const
{
    const std::size_t e = lists.size();
    double best = s.best;
    auto finish = [&](bool complete) {
        s.best = best;
        return complete;
    };
    s.cp[0] = 1.0;
    s.cm[0] = 0.0;
    if (first >= last) return finish(true);
    if (e == 1) return finish(Innermost(s, first, last, best, sink) && s.visits <= limit);
    std::size_t i = 0;
    s.cursor[0] = static_cast<std::uint32_t>(first);
    for (;;) {
        // 0 <= i < e-1: try combination cursor[i] of element i.
        const Entry& d = lists[i][s.cursor[i]];
        ++s.visits;
        s.cp[i + 1] = s.cp[i] * d.abundance;
        s.cm[i + 1] = s.cm[i] + d.mass;
        if (!(best * thr > s.cp[i + 1])) {
            if (window != nullptr && Outside(s, i + 1, *window)) {
                const double q = SubtreeBest(s.cp[i + 1], i + 1);
                if (q > best) best = q;
            } else if (i + 2 < e) {
                s.cursor[++i] = 0;
                continue;
            } else if (!Innermost(s, 0, lists[e - 1].size(), best, sink)) {
                return finish(false);
            }
        }
        if (s.visits > limit) return finish(false);
        // Next combination at this level, climbing up when a list is done.
        while (++s.cursor[i] == (i == 0 ? last : lists[i].size())) {
            if (i == 0) return finish(true);
            --i;
        }
    }
}

#endif
