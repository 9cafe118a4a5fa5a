#include "engine/VariantSearch.h"

#include <algorithm>
#include <numeric>

namespace morvane {

namespace {

// Above this many combinations the innermost element is walked in full:
// its bit sets would take more memory than they save time.
const std::size_t MAX_RANKED = std::size_t(1) << 16;
// Every leading count up to this has its own bit set; beyond it they grow
// by an eighth, so a walk tries at most about 12 % more entries than pass.
const std::size_t EXACT_TOP = 32;
// Bit sets of the lightest entries: at most this many, evenly spaced.
const std::size_t MASS_SETS = 64;
// Below this many cut-free visits building the bit sets costs more than
// walking every innermost entry (small molecules, peptides).
const long long MIN_RANKED_VISITS = 1 << 14;

}  // namespace

VariantSearch::VariantSearch(const AtomEnsemble* elements, int count, int charge, double threshold)
    : chargeShift(charge * ELECTRON_MASS_FACTOR), thr(threshold)
{
    owned.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < owned.size(); ++i) {
        owned[i].reserve(elements[i].dist.size());
        for (const AtomDistribution& d : elements[i].dist) owned[i].push_back(Entry{d.mass, d.abundance});
        lists.push_back(EntryList{owned[i].data(), owned[i].size()});
    }
    Bound();
    RankInnermost();
}

VariantSearch::VariantSearch(const std::vector<Entry>* const* elements, int count, int charge, double threshold)
    : chargeShift(charge * ELECTRON_MASS_FACTOR), thr(threshold)
{
    lists.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) lists.push_back(EntryList{elements[i]->data(), elements[i]->size()});
    Bound();
    RankInnermost();
}

// Each element's lightest and heaviest combination and its most probable.
void VariantSearch::Bound()
{
    lowest.reserve(lists.size());
    highest.reserve(lists.size());
    largest.reserve(lists.size());
    for (const EntryList& list : lists) {
        double low = 0, high = 0, top = 0;
        for (const Entry& d : list) {
            if (&d == list.begin() || d.mass < low) low = d.mass;
            if (&d == list.begin() || d.mass > high) high = d.mass;
            if (&d == list.begin() || d.abundance > top) top = d.abundance;
        }
        lowest.push_back(low);
        highest.push_back(high);
        largest.push_back(top);
    }
}

void VariantSearch::RankInnermost()
{
    if (lists.size() < 2) return;
    const EntryList& list = lists.back();
    const std::size_t n = list.size();
    if (n < 2 || n > MAX_RANKED || CutFreeVisits(MIN_RANKED_VISITS) < MIN_RANKED_VISITS) return;
    Ranking& r = ranking;
    r.words = (n + 63) / 64;
    // Bit sets of the first entries of `order`, one per size in `sizes`.
    auto prefixSets = [&](const std::vector<std::size_t>& order, const std::vector<std::size_t>& sizes) {
        std::vector<std::uint64_t> sets(sizes.size() * r.words, 0), bits(r.words, 0);
        std::size_t t = 0;
        for (std::size_t k = 0; k <= n && t < sizes.size(); ++k) {
            while (t < sizes.size() && sizes[t] == k) std::copy(bits.begin(), bits.end(), sets.begin() + t++ * r.words);
            if (k < n) bits[order[k] / 64] |= std::uint64_t(1) << (order[k] % 64);
        }
        return sets;
    };
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return list[a].abundance > list[b].abundance; });
    for (std::size_t j : order) r.abundances.push_back(list[j].abundance);
    for (std::size_t k = 1; k < n; k += k <= EXACT_TOP ? 1 : k / 8) r.topSizes.push_back(k);
    r.topSizes.push_back(n);
    r.topBits = prefixSets(order, r.topSizes);

    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return list[a].mass < list[b].mass; });
    for (std::size_t j : order) r.masses.push_back(list[j].mass);
    r.massStep = (n + MASS_SETS - 1) / MASS_SETS;
    std::vector<std::size_t> lightSizes;
    for (std::size_t k = 0; k < n + r.massStep; k += r.massStep) lightSizes.push_back(std::min(k, n));
    r.lightBits = prefixSets(order, lightSizes);

    double top = 0;
    for (const Entry& d : list) {
        r.largestBefore.push_back(top);
        top = std::max(top, d.abundance);
    }
}

// The set of the lightest entries nearest to the r lightest: no more than
// them, or (roundUp) no fewer.
const std::uint64_t* VariantSearch::LightestBits(std::size_t r, bool roundUp) const
{
    const std::size_t t = roundUp ? (r + ranking.massStep - 1) / ranking.massStep : r / ranking.massStep;
    return &ranking.lightBits[t * ranking.words];
}

VariantSearch::State VariantSearch::NewState() const
{
    State s;
    Reset(s);
    return s;
}

void VariantSearch::Reset(State& s) const
{
    s.cursor.assign(lists.size(), 0);
    s.cp.assign(lists.size() + 1, 0.0);
    s.cm.assign(lists.size() + 1, 0.0);
    s.visits = 0;
    s.best = 0;
}

long long VariantSearch::NextCheckpoint(long long visits, long long limit)
{
    CheckCancellation();
    return std::min(limit, visits + CANCELLATION_VISITS);
}

double VariantSearch::LowestMass() const
{
    double sum = 0.0;
    for (double m : lowest) sum = sum + m;
    return chargeShift + sum;
}

double VariantSearch::HighestMass() const
{
    double sum = 0.0;
    for (double m : highest) sum = sum + m;
    return chargeShift + sum;
}

long long VariantSearch::CutFreeVisits(long long cap) const
{
    long long prefixes = 1, visits = 0;
    for (const EntryList& list : lists) {
        const long long n = static_cast<long long>(list.size());
        if (prefixes > cap / n) return cap;
        prefixes *= n;
        visits += prefixes;
        if (visits >= cap) return cap;
    }
    return visits;
}

double VariantSearch::SubtreeBest(double product, std::size_t from) const
{
    for (std::size_t j = from; j < lists.size(); ++j) product = product * largest[j];
    return product;
}

std::vector<double> VariantSearch::StartingBests() const
{
    std::vector<double> bests(1, 0.0);
    for (const Entry& d : lists[0]) {
        double best = bests.back();
        // The combination itself is skipped, or its subtree's best appended.
        if (!(best * thr > 1.0 * d.abundance)) best = std::max(best, SubtreeBest(1.0 * d.abundance, 1));
        bests.push_back(best);
    }
    return bests;
}

bool VariantSearch::Outside(const State& s, std::size_t level, const BinWindow& w) const
{
    double low = s.cm[level], high = s.cm[level];
    for (std::size_t j = level; j < lists.size(); ++j) {
        low = low + lowest[j];
        high = high + highest[j];
    }
    return chargeShift + low > w.high || chargeShift + high < w.low;
}

}  // namespace morvane
