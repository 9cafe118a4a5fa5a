#include "spectrum/NeutronDistribution.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "core/Status.h"
#include "spectrum/NominalSpectrum.h"

namespace morvane {

namespace {

// The distribution of no atoms: 0 extra neutrons, certainly, mass 0.
NeutronDistribution Certain()
{
    NeutronDistribution d;
    d.p = {1.0};
    d.w = {0.0};
    return d;
}

// Scales the bins by a power of two, carried in the exponent, so that the
// largest p lies in [0.5, 1); bins that are all 0 are dropped.
void Normalise(NeutronDistribution& d)
{
    const double largest = d.p.empty() ? 0.0 : *std::max_element(d.p.begin(), d.p.end());
    if (!(largest > 0)) {
        d.p.clear();
        d.w.clear();
        return;
    }
    int e = 0;
    std::frexp(largest, &e);
    for (std::size_t k = 0; k < d.p.size(); ++k) {
        d.p[k] = std::ldexp(d.p[k], -e);
        d.w[k] = std::ldexp(d.w[k], -e);
    }
    d.exponent += e;
}

// Drops the end bins whose probabilities sum to at most `delta` of the
// whole, half of that allowance at either end.
void Trim(NeutronDistribution& d, double delta)
{
    const double allowance = delta / 2 * std::accumulate(d.p.begin(), d.p.end(), 0.0);
    std::size_t begin = 0, end = d.p.size();
    for (double dropped = 0; begin < end && dropped + d.p[begin] <= allowance; ++begin) dropped += d.p[begin];
    for (double dropped = 0; end > begin && dropped + d.p[end - 1] <= allowance; --end) dropped += d.p[end - 1];
    d.p.erase(d.p.begin() + static_cast<std::ptrdiff_t>(end), d.p.end());
    d.w.erase(d.w.begin() + static_cast<std::ptrdiff_t>(end), d.w.end());
    d.p.erase(d.p.begin(), d.p.begin() + static_cast<std::ptrdiff_t>(begin));
    d.w.erase(d.w.begin(), d.w.begin() + static_cast<std::ptrdiff_t>(begin));
    d.first += static_cast<long long>(begin);
}

// One atom of the element: each entry's abundance in the bin of its mass
// number's offset from the first entry's. False when the offsets span more
// than MAX_NEUTRON_BINS bins.
bool OneAtom(const AtomIsoAbun& atom, NeutronDistribution& d)
{
    d = NeutronDistribution{};
    if (atom.niso == 0) return true;
    const long long base = MassNumber(atom.iso[0].mass);
    long long low = 0, high = 0;
    for (int j = 0; j < atom.niso; ++j) {
        low = std::min(low, MassNumber(atom.iso[j].mass) - base);
        high = std::max(high, MassNumber(atom.iso[j].mass) - base);
    }
    if (high - low >= MAX_NEUTRON_BINS) return false;
    d.first = low;
    d.p.assign(static_cast<std::size_t>(high - low + 1), 0.0);
    d.w.assign(d.p.size(), 0.0);
    for (int j = 0; j < atom.niso; ++j) {
        const std::size_t k = static_cast<std::size_t>(MassNumber(atom.iso[j].mass) - base - low);
        d.p[k] += atom.iso[j].abundance;
        d.w[k] += atom.iso[j].abundance * atom.iso[j].mass;
    }
    Normalise(d);
    return true;
}

// out = a * b, normalised and trimmed by `delta` (out may be a or b).
// False when the product would span more than MAX_NEUTRON_BINS bins.
bool Convolve(const NeutronDistribution& a, const NeutronDistribution& b, double delta, NeutronDistribution& out)
{
    if (a.p.empty() || b.p.empty()) {
        out = NeutronDistribution{};
        return true;
    }
    const std::size_t size = a.p.size() + b.p.size() - 1;
    if (size > static_cast<std::size_t>(MAX_NEUTRON_BINS)) return false;
    NeutronDistribution c;
    c.first = a.first + b.first;
    c.exponent = a.exponent + b.exponent;
    c.p.assign(size, 0.0);
    c.w.assign(size, 0.0);
    const std::size_t m = b.p.size();
    const double* bp = b.p.data();
    const double* bw = b.w.data();
    for (std::size_t i = 0; i < a.p.size(); ++i) {
        const double pa = a.p[i], wa = a.w[i];
        double* cp = c.p.data() + i;
        double* cw = c.w.data() + i;
        for (std::size_t j = 0; j < m; ++j) {
            cp[j] += pa * bp[j];
            cw[j] += wa * bp[j] + pa * bw[j];
        }
    }
    Normalise(c);
    Trim(c, delta);
    out = std::move(c);
    return true;
}

// `count` atoms of the element by repeated squaring.
bool ElementNeutrons(const AtomIsoAbun& atom, int count, double delta, NeutronDistribution& out)
{
    out = Certain();
    NeutronDistribution power;
    if (count <= 0) return true;
    if (!OneAtom(atom, power)) return false;
    bool first = true;
    for (int n = count;; n >>= 1) {
        if (n & 1) {
            if (first) out = power;
            else if (!Convolve(out, power, delta, out)) return false;
            first = false;
        }
        if (n == 1) return true;
        if (!Convolve(power, power, delta, power)) return false;
    }
}

}  // namespace

int MoleculeNeutrons(const MolComposition& molecule, NeutronDistribution& out)
{
    double atoms = 1;
    for (int i = 0; i < molecule.totalnat; ++i) atoms += std::max(0, molecule.nat[i]);
    const double delta = std::ldexp(1.0, -100) / atoms;
    out = Certain();
    for (int i = 0; i < molecule.totalnat; ++i) {
        NeutronDistribution element;
        if (!ElementNeutrons(molecule.atom[i], molecule.nat[i], delta, element) ||
            !Convolve(out, element, delta, out)) {
            out = NeutronDistribution{};
            return CALC_GENERATION_FAILED;
        }
    }
    return 0;
}

}  // namespace morvane
