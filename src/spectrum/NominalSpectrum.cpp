#include "spectrum/NominalSpectrum.h"

#include <algorithm>
#include <cmath>

#include "core/Status.h"

namespace morvane {

namespace {

const long long MAX_BINS = 1LL << 24;

// Far beyond any element's mass number, and small enough that no sum of
// neutron counts over a composition overflows: masses of tables of one's own
// beyond it are held at it (their nominal patterns then fail on MAX_BINS).
const double NEUTRON_LIMIT = 1e12;

struct Bin {
    double w = 0;  // sum of p * mass / z
    double a = 0;  // sum of p
};

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

int NominalSpectrum(const KeptVariants& variants, const MolEnsemble& ensemble, bool masstocharge, int charge,
                    BaseSpectrum* spectrum, std::vector<long long>& neutrons)
{
    const std::vector<std::vector<long long>> extra = ExtraNeutrons(ensemble);
    long long low = 0, high = 0;
    for (const std::vector<long long>& e : extra) {
        low += *std::min_element(e.begin(), e.end());
        high += *std::max_element(e.begin(), e.end());
    }
    if (high - low >= MAX_BINS) return CALC_GENERATION_FAILED;
    std::vector<Bin> bins(static_cast<std::size_t>(high - low + 1));
    const double z = masstocharge ? static_cast<double>(charge) : 1.0;
    auto add = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
        Bin& b = bins[static_cast<std::size_t>(VariantNeutrons(extra, cursor, innermost) - low)];
        b.a = b.a + probability;
        b.w = b.w + probability * mass / z;
        return true;
    };
    if (!variants.ForEach(add)) return CALC_GENERATION_FAILED;
    if (std::none_of(bins.begin(), bins.end(), [](const Bin& b) { return b.a > 0; })) return CALC_GENERATION_FAILED;
    if (masstocharge && charge == 0) return 0;
    for (std::size_t k = 0; k < bins.size(); ++k) {
        if (bins[k].a == 0) continue;
        isotope peak(bins[k].w / bins[k].a, bins[k].a);
        spectrum->push_back(peak);
        neutrons.push_back(low + static_cast<long long>(k));
    }
    return 0;
}

}  // namespace morvane
