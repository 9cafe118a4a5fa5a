#include "engine/MolEnsemble.h"

#include "core/Status.h"
#include "engine/VariantSearch.h"

namespace morvane {

MolEnsemble::MolEnsemble() : atomens(nullptr), totalnat(0), masstocharge(0) {}

MolEnsemble::MolEnsemble(MolComposition& c, double thr) : MolEnsemble() { GenerateEnsemble(c, thr); }

MolEnsemble::MolEnsemble(const MolEnsemble& e) : MolEnsemble() { CopyFrom(e); }

MolEnsemble& MolEnsemble::operator=(const MolEnsemble& e)
{
    if (this != &e) {
        Clear();
        CopyFrom(e);
    }
    return *this;
}

MolEnsemble::~MolEnsemble() { Clear(); }

void MolEnsemble::Clear()
{
    delete[] atomens;
    atomens = nullptr;
    moldist.clear();
    references.clear();
    combinations.clear();
}

// The copy's variants refer to the copy's own combinations: references are
// indices, and the index tables are rebuilt from the copied lists.
void MolEnsemble::CopyFrom(const MolEnsemble& e)
{
    totalnat = e.totalnat;
    masstocharge = e.masstocharge;
    if (e.atomens == nullptr) return;
    atomens = new AtomEnsemble[totalnat];
    for (int i = 0; i < totalnat; ++i) atomens[i] = e.atomens[i];
    IndexCombinations();
    references = e.references;
    moldist = e.moldist;
}

void MolEnsemble::IndexCombinations()
{
    combinations.assign(static_cast<std::size_t>(totalnat), {});
    for (int i = 0; i < totalnat; ++i)
        for (AtomDistribution& d : atomens[i].dist) combinations[static_cast<std::size_t>(i)].push_back(&d);
}

// The index of v's combination of `element` in that element's list.
std::size_t MolEnsemble::Reference(const MolDistribution& v, int element) const
{
    const std::size_t slot = static_cast<std::size_t>(v.atomdist) * static_cast<std::size_t>(totalnat);
    return references[slot + static_cast<std::size_t>(element)];
}

const AtomDistribution& MolEnsemble::Combination(const MolDistribution& v, int element) const
{
    return *combinations[static_cast<std::size_t>(element)][Reference(v, element)];
}

int MolEnsemble::GenerateElements(MolComposition& c, double thr)
{
    totalnat = c.totalnat;
    Clear();
    atomens = new AtomEnsemble[totalnat];
    long long budget = MAX_ELEMENT_STEPS;
    for (int i = 0; i < totalnat; ++i) {
        atomens[i].atom = c.atom[i];
        if (!atomens[i].EnumerateCombinations(c.nat[i], thr, budget)) {
            Clear();
            return CALC_GENERATION_FAILED;
        }
    }
    return 0;
}

int MolEnsemble::GenerateEnsemble(MolComposition& c, double thr)
{
    const int status = GenerateElements(c, thr);
    if (status != 0) return status;
    IndexCombinations();
    if (StoreVariants(c.charge, thr))
        for (const MolDistribution& v : moldist)
            if (v.abundance > 0) return 0;
    Clear();
    return CALC_GENERATION_FAILED;
}

// Every variant of the search with its element references. Returns false
// when the visits or the variants exceed their bounds.
bool MolEnsemble::StoreVariants(int charge, double thr)
{
    if (totalnat == 0) return true;
    const VariantSearch search(atomens, totalnat, charge, thr);
    VariantSearch::State s = search.NewState();
    const std::size_t inner = static_cast<std::size_t>(totalnat) - 1;
    auto store = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
        if (moldist.size() == UINT32_MAX) return false;
        moldist.push_back(MolDistribution{mass, probability, charge, static_cast<std::uint32_t>(moldist.size())});
        references.insert(references.end(), cursor, cursor + inner);
        references.push_back(innermost);
        return true;
    };
    return search.Run(s, 0, search.List(0).size(), nullptr, MAX_COMBINATION_VISITS, store);
}

void MolEnsemble::CalculateMass(MolDistribution& v) const
{
    double sum = 0.0;
    for (int i = 0; i < totalnat; ++i) sum += Combination(v, i).mass;
    v.mass = v.charge * ELECTRON_MASS_FACTOR + sum;
}

void MolEnsemble::CalculateMasses()
{
    for (MolDistribution& v : moldist) {
        for (int i = 0; i < totalnat; ++i)
            combinations[static_cast<std::size_t>(i)][Reference(v, i)]->CalculateMass(&atomens[i].atom);
        CalculateMass(v);
    }
}

void WriteVariant(std::ostream& os, const MolEnsemble& e, const MolDistribution& v)
{
    for (int i = 0; i < e.totalnat; ++i) os << e.Combination(v, i);
    const std::streamsize previous = os.precision(8);
    os << ' ' << v.charge << ' ' << v.mass;
    os.precision(previous);
    os << ' ' << v.abundance << '\n';
}

std::ostream& operator<<(std::ostream& os, MolEnsemble& e)
{
    if (e.atomens != nullptr)
        for (int i = 0; i < e.totalnat; ++i) os << e.atomens[i].atom;
    for (const MolDistribution& v : e.moldist) WriteVariant(os, e, v);
    return os;
}

}  // namespace morvane
