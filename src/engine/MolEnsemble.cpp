#include "engine/MolEnsemble.h"

#include <unordered_map>
#include <vector>

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
}

void MolEnsemble::CopyFrom(const MolEnsemble& e)
{
    totalnat = e.totalnat;
    masstocharge = e.masstocharge;
    if (e.atomens == nullptr) return;
    atomens = new AtomEnsemble[totalnat];
    // Map each source combination to its copy, so the copied variants refer
    // to this ensemble's own combinations.
    std::unordered_map<const AtomDistribution*, AtomDistribution*> counterpart;
    for (int i = 0; i < totalnat; ++i) {
        atomens[i] = e.atomens[i];
        auto mine = atomens[i].dist.begin();
        for (const AtomDistribution& d : e.atomens[i].dist) counterpart[&d] = &*mine++;
    }
    for (const MolDistribution& v : e.moldist) {
        moldist.push_back(v);
        for (AtomDistribution*& ref : moldist.back().atomdist) ref = counterpart.at(ref);
    }
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
    if (CombineElements(c, thr))
        for (const MolDistribution& v : moldist)
            if (v.abundance > 0) return 0;
    Clear();
    return 6;
}

// Depth-first over one combination per element. cp[i] and cm[i] are the
// probability product and mass sum of the first i chosen combinations; a
// prefix below bestmol * thr is skipped with everything beneath it. Returns
// false when the visits exceed their bound.
bool MolEnsemble::CombineElements(MolComposition& c, double thr)
{
    const int e = totalnat;
    if (e == 0) return true;
    std::vector<std::list<AtomDistribution>::iterator> cursor(static_cast<std::size_t>(e));
    std::vector<double> cp(static_cast<std::size_t>(e) + 1), cm(static_cast<std::size_t>(e) + 1);
    cp[0] = 1.0;
    cm[0] = 0.0;
    double bestmol = 0.0;
    const int z = c.charge;
    int i = 0;
    cursor[0] = atomens[0].dist.begin();
    for (long long visits = 0;; ++visits) {
        if (visits == MAX_COMBINATION_VISITS) return false;
        const AtomDistribution& d = *cursor[i];
        cp[i + 1] = cp[i] * d.abundance;
        cm[i + 1] = cm[i] + d.mass;
        if (!(bestmol * thr > cp[i + 1])) {
            if (i + 1 < e) {
                ++i;
                cursor[i] = atomens[i].dist.begin();
                continue;
            }
            MolDistribution v;
            v.mass = z * ELECTRON_MASS_FACTOR + cm[e];
            v.abundance = cp[e];
            v.charge = z;
            v.atomdist.reserve(static_cast<std::size_t>(e));
            for (int j = 0; j < e; ++j) v.atomdist.push_back(&*cursor[j]);
            moldist.push_back(std::move(v));
            if (cp[e] > bestmol) bestmol = cp[e];
        }
        // Next combination at this level, climbing up when a list is done.
        while (++cursor[i] == atomens[i].dist.end())
            if (--i < 0) return true;
    }
}

void MolEnsemble::CalculateMasses()
{
    for (MolDistribution& v : moldist) {
        for (std::size_t i = 0; i < v.atomdist.size(); ++i) v.atomdist[i]->CalculateMass(&atomens[i].atom);
        v.CalculateMass();
    }
}

std::ostream& operator<<(std::ostream& os, MolEnsemble& e)
{
    if (e.atomens != nullptr)
        for (int i = 0; i < e.totalnat; ++i) os << e.atomens[i].atom;
    for (const MolDistribution& v : e.moldist) os << v;
    return os;
}
