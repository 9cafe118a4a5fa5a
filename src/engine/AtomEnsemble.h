#ifndef MORVANE_ENGINE_ATOMENSEMBLE_H
#define MORVANE_ENGINE_ATOMENSEMBLE_H

#include <list>
#include <ostream>

#include "../elements/AtomIsoAbun.h"
#include "AtomDistribution.h"

namespace morvane {

// The stored isotopic combinations of one element, in the order the
// enumeration produced them. Molecular variants hold indices into this
// list; the molecular ensemble maps them to the entries through a table of
// pointers, which a list keeps valid since its entries never move.
class AtomEnsemble {
public:
    AtomIsoAbun atom;
    std::list<AtomDistribution> dist;

    AtomEnsemble();
    AtomEnsemble(int elnum, int niso);
    explicit AtomEnsemble(AtomIsoAbun& a);

    // Enumerates the combinations of n atoms over the entries of `atom`
    // (sorted by decreasing abundance) with Yergey's multinomial recurrence,
    // storing those above thr times the best stored so far. Each visited
    // combination costs `niso` units of `budget`, each stored one about its
    // size in ints more. Returns false when the enumeration fails: a
    // probability above 1, a starting combination (all atoms in the first
    // entry) that is 0 or subnormal, or the budget spent.
    bool EnumerateCombinations(int n, double thr, long long& budget);

private:
    double CombinationMass(const std::vector<int>& c) const;
    double ProbabilityFromLastStored(const std::vector<int>& c) const;
};

std::ostream& operator<<(std::ostream& os, AtomEnsemble& e);

}  // namespace morvane

#endif
