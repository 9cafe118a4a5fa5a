#ifndef MORVANE_ENGINE_ELEMENTCACHE_H
#define MORVANE_ENGINE_ELEMENTCACHE_H

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "../elements/AtomIsoAbun.h"
#include "../elements/isotope.h"
#include "VariantSearch.h"

namespace morvane {

// The element combinations of the formulas calculated before, for a run of
// many formulas on one thread: tryptic peptides, for instance, share a few
// hundred atom counts of five elements, so nearly every element enumeration
// is found here instead of being run again. An entry is the list that
// AtomEnsemble::EnumerateCombinations stores for one element record, atom
// count and threshold, reduced to (mass, probability) in the same order, so
// the variants made from it are the very same. Not shared between threads.
class ElementCache {
public:
    using Entries = std::vector<VariantSearch::Entry>;

    // The combinations of n atoms of `element` at thr, and the work units
    // their enumeration spends taken from `budget`. Null when the enumeration
    // fails, or when the budget goes below 0 (as the enumeration run with
    // that budget would fail). The list stays valid until the next Trim.
    const Entries* Combinations(const AtomIsoAbun& element, int n, double thr, long long& budget);
    // Forgets everything once the lists hold more than MAX_HELD combinations;
    // call it between calculations, never while a list is in use.
    void Trim();

    static const std::size_t MAX_HELD = std::size_t(1) << 18;

private:
    struct Key {
        char symbol[sizeof AtomIsoAbun::symbol];  // whole: labels C[12] and C[13] differ late
        int n;
        double thr;
        bool operator==(const Key& k) const;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    struct List {
        std::vector<isotope> isotopes;  // the record's entries it was made from
        Entries entries;
        long long cost = 0;  // work units of its enumeration
        bool made = false;
    };

    std::unordered_map<Key, List, KeyHash> lists;
    std::size_t held = 0;  // combinations in all lists

    static bool SameIsotopes(const List& list, const AtomIsoAbun& element);
};

}  // namespace morvane

#endif
