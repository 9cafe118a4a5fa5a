#include "spectrum/NominalSpectrum.h"

#include <algorithm>
#include <cmath>

#include "core/Status.h"
#include "engine/MolDistribution.h"
#include "spectrum/NeutronDistribution.h"

namespace morvane {

namespace {

// Far beyond any element's mass number, and small enough that no sum of
// neutron counts over a composition overflows: masses of tables of one's own
// beyond it are held at it (their nominal patterns then fail on the bins'
// span).
const double NEUTRON_LIMIT = 1e12;

}  // namespace

long long MassNumber(double mass) { return std::llround(std::clamp(mass, -NEUTRON_LIMIT, NEUTRON_LIMIT)); }

std::vector<std::vector<long long>> ExtraNeutrons(const MolEnsemble& ensemble)
{
    std::vector<std::vector<long long>> neutrons(static_cast<std::size_t>(ensemble.totalnat));
    for (int i = 0; i < ensemble.totalnat; ++i) {
        const AtomIsoAbun& atom = ensemble.atomens[i].atom;
        for (const AtomDistribution& d : ensemble.atomens[i].dist) {
            double n = 0;
            for (std::size_t j = 1; j < d.nat.size(); ++j)
                n += d.nat[j] * static_cast<double>(MassNumber(atom.iso[j].mass) - MassNumber(atom.iso[0].mass));
            neutrons[static_cast<std::size_t>(i)].push_back(std::llround(std::clamp(n, -NEUTRON_LIMIT, NEUTRON_LIMIT)));
        }
    }
    return neutrons;
}

long long VariantNeutrons(const std::vector<std::vector<long long>>& neutrons, const std::uint32_t* cursor,
                          std::uint32_t innermost)
{
    const std::size_t last = neutrons.size() - 1;
    long long n = neutrons[last][innermost];
    for (std::size_t i = 0; i < last; ++i) n += neutrons[i][cursor[i]];
    return n;
}

int NominalPeaks(const MolComposition& molecule, bool masstocharge, std::vector<NominalPeak>& peaks)
{
    peaks.clear();
    NeutronDistribution d;
    if (MoleculeNeutrons(molecule, d) != 0 || d.p.empty()) return CALC_GENERATION_FAILED;
    const double largest = *std::max_element(d.p.begin(), d.p.end());
    const int exponent = static_cast<int>(std::clamp(d.exponent, -4096LL, 4096LL));
    if (!std::isnormal(std::ldexp(largest, exponent))) return CALC_GENERATION_FAILED;
    if (masstocharge && molecule.charge == 0) return 0;
    const double shift = molecule.charge * ELECTRON_MASS_FACTOR;
    const double z = masstocharge ? static_cast<double>(molecule.charge) : 1.0;
    for (std::size_t k = 0; k < d.p.size(); ++k) {
        if (!(d.p[k] >= NOMINAL_FLOOR * largest)) continue;
        peaks.push_back(NominalPeak{d.first + static_cast<long long>(k), (shift + d.w[k] / d.p[k]) / z,
                                    std::ldexp(d.p[k], exponent)});
    }
    return 0;
}

}  // namespace morvane
