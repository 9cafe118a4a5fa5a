#ifndef MORVANE_ENGINE_MOLDISTRIBUTION_H
#define MORVANE_ENGINE_MOLDISTRIBUTION_H

#include <ostream>
#include <vector>

#include "engine/AtomDistribution.h"

// Lowering of a variant's mass per unit of positive charge: one electron (u).
const double ELECTRON_MASS_FACTOR = -0.00054857990943;

// One isotopic variant of the molecule: one combination per element (not
// owned; they live in the element ensembles of the same MolEnsemble).
struct MolDistribution {
    double mass;
    double abundance;
    int charge;
    std::vector<AtomDistribution*> atomdist;

    // mass = charge * (-electron mass) + sum of the combinations' masses.
    void CalculateMass();
    // By mass; false when either mass is NaN.
    bool operator<(const MolDistribution& o) const { return mass < o.mass; }
};

std::ostream& operator<<(std::ostream& os, const MolDistribution& d);

#endif
