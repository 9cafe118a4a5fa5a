#ifndef MORVANE_ENGINE_MOLENSEMBLE_H
#define MORVANE_ENGINE_MOLENSEMBLE_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "AtomEnsemble.h"
#include "MolDistribution.h"
#include "../formula/MolComposition.h"

namespace morvane {

class BaseSpectrum;

// Bounds on the work of one generation, so that inputs whose enumeration
// explodes (many isotope entries with many atoms, a threshold of 0 on large
// molecules) end in an error within seconds instead of running for hours.
// Element enumeration: isotope entries handled per visited combination
// plus the size of every stored one, summed over the elements. Elements of
// many isotopes store many combinations, since each is kept when above the
// threshold times the best so far: Mo80 visits 37 million and keeps 11
// million (7.0e8 units, 1.6 GB), as many variants as a large protein has.
const long long MAX_ELEMENT_STEPS = 1LL << 30;
// Molecular combination: partial and complete variants visited.
const long long MAX_COMBINATION_VISITS = 1LL << 33;

// The isotopic variants of a molecule, combined from its elements'
// combinations with a threshold relative to the best variant so far.
class MolEnsemble {
public:
    AtomEnsemble* atomens;
    int totalnat;
    int masstocharge;
    std::vector<MolDistribution> moldist;

    MolEnsemble();
    MolEnsemble(MolComposition& c, double thr);
    MolEnsemble(const MolEnsemble& e);
    MolEnsemble& operator=(const MolEnsemble& e);
    virtual ~MolEnsemble();

    // Enumerates every element's combinations and stores every variant in
    // `moldist`, in generation order. Returns 0, or CALC_GENERATION_FAILED
    // (6, core/Status.h) when an element's enumeration fails, a work bound
    // is reached or no variant has a probability above 0; the ensemble is
    // then left empty.
    int GenerateEnsemble(MolComposition& c, double thr);
    // The first half of GenerateEnsemble: the element ensembles only, for a
    // caller that combines them itself (VariantSearch); `moldist` is left
    // empty. Returns 0, or 6 (the ensemble is then left empty).
    int GenerateElements(MolComposition& c, double thr);
    // The combination of `element` that variant v is made of.
    const AtomDistribution& Combination(const MolDistribution& v, int element) const;
    // Recomputes every combination's and every variant's mass. The program
    // never calls it; kept for library callers and the engine's tests.
    void CalculateMasses();
    // mass = charge * (-electron mass) + sum of the combinations' masses.
    void CalculateMass(MolDistribution& v) const;
    // Sorts the variants by mass, merges those within res of their neighbour
    // and appends one peak per group to `spectrum`.
    void MakeSpectrum(BaseSpectrum* spectrum, double res);

private:
    // Per variant ordinal, totalnat indices into the elements' combination
    // lists; `combinations` maps those indices to the list entries.
    std::vector<std::uint32_t> references;
    std::vector<std::vector<AtomDistribution*>> combinations;

    void Clear();
    void CopyFrom(const MolEnsemble& e);
    void IndexCombinations();
    std::size_t Reference(const MolDistribution& v, int element) const;
    bool StoreVariants(int charge, double thr);
};

// Each variant: its counts element by element, a blank before each; then
// the charge, the mass (8 digits) and the abundance, blank-separated.
void WriteVariant(std::ostream& os, const MolEnsemble& e, const MolDistribution& v);
// The element records, then every variant.
std::ostream& operator<<(std::ostream& os, MolEnsemble& e);

}  // namespace morvane

#endif
