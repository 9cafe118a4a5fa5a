#include "support/PeerIso.h"

#include <vector>

IsoSpec::Iso PeerIso(const morvane::MolComposition& c)
{
    std::vector<int> isotopes, atoms;
    std::vector<std::vector<double>> masses, probabilities;
    for (int i = 0; i < c.totalnat; ++i) {
        masses.emplace_back();
        probabilities.emplace_back();
        for (int j = 0; j < c.atom[i].niso; ++j) {
            masses.back().push_back(c.atom[i].iso[j].mass);
            probabilities.back().push_back(c.atom[i].iso[j].abundance);
        }
        isotopes.push_back(c.atom[i].niso);
        atoms.push_back(c.nat[i]);
    }
    std::vector<const double*> m, p;
    for (int i = 0; i < c.totalnat; ++i) {
        m.push_back(masses[static_cast<std::size_t>(i)].data());
        p.push_back(probabilities[static_cast<std::size_t>(i)].data());
    }
    // The Iso copies the masses and probabilities it is given.
    return IsoSpec::Iso(c.totalnat, isotopes.data(), atoms.data(), m.data(), p.data());
}
