#ifndef MORVANE_ENGINE_MOLDISTRIBUTION_H
#define MORVANE_ENGINE_MOLDISTRIBUTION_H

#include <cstdint>

namespace morvane {

// Lowering of a variant's mass per unit of positive charge: one electron (u).
const double ELECTRON_MASS_FACTOR = -0.00054857990943;

// One isotopic variant of the molecule. Its element combinations live in the
// element ensembles of the MolEnsemble that made it; `atomdist` is the
// variant's generation ordinal, under which the ensemble keeps one reference
// per element (MolEnsemble::Combination). A plain 24-byte record, so that
// millions of variants are stored and sorted without allocations.
struct MolDistribution {
    double mass;
    double abundance;
    int charge;
    std::uint32_t atomdist;

    // By mass; false when either mass is NaN.
    bool operator<(const MolDistribution& o) const { return mass < o.mass; }
};

}  // namespace morvane

#endif
