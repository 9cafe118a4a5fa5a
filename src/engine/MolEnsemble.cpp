#include "engine/MolEnsemble.h"

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

AtomDistribution& MolEnsemble::Combination(const MolDistribution& v, int element) const
{
    const std::size_t slot = static_cast<std::size_t>(v.atomdist) * static_cast<std::size_t>(totalnat);
    return *combinations[static_cast<std::size_t>(element)][references[slot + static_cast<std::size_t>(element)]];
}

int MolEnsemble::GenerateEnsemble(MolComposition& c, double thr)
{
    totalnat = c.totalnat;
    Clear();
    atomens = new AtomEnsemble[totalnat];
    long long budget = MAX_ELEMENT_STEPS;
    for (int i = 0; i < totalnat; ++i) {
        atomens[i].atom = c.atom[i];
        if (!atomens[i].EnumerateCombinations(c.nat[i], thr, budget)) {
            Clear();
            return 6;
        }
    }
    IndexCombinations();
    if (CombineElements(c, thr))
        for (const MolDistribution& v : moldist)
            if (v.abundance > 0) return 0;
    Clear();
    return 6;
}

// Depth-first over one combination per element. cp[i] and cm[i] are the
// probability product and mass sum of the first i chosen combinations; a
// prefix below bestmol * thr is skipped with everything beneath it. Returns
// false when the visits or the variants exceed their bounds.
bool MolEnsemble::CombineElements(MolComposition& c, double thr)
{
    const std::size_t e = static_cast<std::size_t>(totalnat);
    if (e == 0) return true;
    std::vector<std::uint32_t> cursor(e, 0);
    std::vector<double> cp(e + 1), cm(e + 1);
    cp[0] = 1.0;
    cm[0] = 0.0;
    double bestmol = 0.0;
    const int z = c.charge;
    std::size_t i = 0;
    for (long long visits = 0;; ++visits) {
        if (visits == MAX_COMBINATION_VISITS) return false;
        const AtomDistribution& d = *combinations[i][cursor[i]];
        cp[i + 1] = cp[i] * d.abundance;
        cm[i + 1] = cm[i] + d.mass;
        if (!(bestmol * thr > cp[i + 1])) {
            if (i + 1 < e) {
                cursor[++i] = 0;
                continue;
            }
            if (moldist.size() == UINT32_MAX) return false;
            moldist.push_back(MolDistribution{z * ELECTRON_MASS_FACTOR + cm[e], cp[e], z,
                                              static_cast<std::uint32_t>(moldist.size())});
            references.insert(references.end(), cursor.begin(), cursor.end());
            if (cp[e] > bestmol) bestmol = cp[e];
        }
        // Next combination at this level, climbing up when a list is done.
        while (++cursor[i] == combinations[i].size()) {
            if (i == 0) return true;
            --i;
        }
    }
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
        for (int i = 0; i < totalnat; ++i) Combination(v, i).CalculateMass(&atomens[i].atom);
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
