#ifndef MORVANE_ENGINE_ATOMDISTRIBUTION_H
#define MORVANE_ENGINE_ATOMDISTRIBUTION_H

#include <ostream>
#include <vector>

#include "../elements/AtomIsoAbun.h"

namespace morvane {

// a!/b! in double precision: the product b+1..a for a > b, the reciprocal of
// the product a+1..b for a < b, 1 for a == b.
double fdiff(int a, int b);

// One isotopic combination of one element's atoms: nat[j] atoms of isotope
// entry j, its mass (u) and its multinomial probability.
struct AtomDistribution {
    double mass;
    double abundance;
    std::vector<int> nat;

    // mass = sum over j of nat[j] * a->iso[j].mass, from 0.0 in ascending j.
    void CalculateMass(AtomIsoAbun* a);
};

// Writes each count preceded by a blank.
std::ostream& operator<<(std::ostream& os, const AtomDistribution& d);

}  // namespace morvane

#endif
