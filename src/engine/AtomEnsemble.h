#ifndef MORVANE_ENGINE_ATOMENSEMBLE_H
#define MORVANE_ENGINE_ATOMENSEMBLE_H

#include <list>
#include <ostream>

#include "../elements/AtomIsoAbun.h"
#include "AtomDistribution.h"
#include "PowerTable.h"
#include "ScaledDouble.h"

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
    // size in ints more. Probabilities are exact to rounding down to the
    // smallest normal double, however far the recurrence reaches. Returns
    // false when the enumeration fails: a probability above 1, a starting
    // combination (all atoms in the first entry) that is 0 or subnormal, or
    // the budget spent (at once when thr is 0 and the count of all
    // combinations already exceeds it).
    bool EnumerateCombinations(int n, double thr, long long& budget);

private:
    double CombinationMass(const std::vector<int>& c) const;
    // The probability of c from the last stored combination, whose
    // probability with its exponent is `last`. Whenever the result is not a
    // normal double, `carried` receives it with its exponent.
    bool FarBelowSubnormals(const std::vector<int>& c, const ScaledDouble& last) const;
    double ProbabilityFromLastStored(const std::vector<int>& c, const ScaledDouble& last,
                                     ScaledDouble& carried, const PowerTable& powers) const;
};

std::ostream& operator<<(std::ostream& os, AtomEnsemble& e);

}  // namespace morvane

#endif
