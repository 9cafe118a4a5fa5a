#ifndef MORVANE_TESTS_SUPPORT_COVERAGESET_H
#define MORVANE_TESTS_SUPPORT_COVERAGESET_H

#include <cstdint>
#include <string>
#include <vector>

#include "engine/KeptVariants.h"
#include "spectrum/CoverageSpectrum.h"

namespace morvane {

// The probabilities of the variants a coverage target keeps, in generation
// order; FindCoverage's status.
inline int CoverageProbabilities(MolComposition& c, double target, std::vector<double>& kept, std::string& reason)
{
    MolEnsemble ensemble;
    CoverageCut cut;
    std::vector<HeldVariant> held;
    if (const int status = FindCoverage(c, target, ensemble, cut, held, reason)) return status;
    kept.clear();
    auto keep = [&kept](double, double p, const std::uint32_t*, std::uint32_t) {
        kept.push_back(p);
        return true;
    };
    KeptVariants(ensemble, c.charge, cut.thr, true, cut.floor).ForEach(keep);
    return 0;
}

}  // namespace morvane

#endif
