#include "engine/AtomDistribution.h"

namespace morvane {

double fdiff(int a, int b)
{
    double product = 1.0;
    if (a > b) {
        for (long long i = static_cast<long long>(b) + 1; i <= a; ++i) product *= static_cast<double>(i);
        return product;
    }
    for (long long i = static_cast<long long>(a) + 1; i <= b; ++i) product *= static_cast<double>(i);
    return a < b ? 1.0 / product : 1.0;
}

void AtomDistribution::CalculateMass(AtomIsoAbun* a)
{
    mass = 0.0;
    for (std::size_t j = 0; j < nat.size(); ++j) mass += nat[j] * a->iso[j].mass;
}

std::ostream& operator<<(std::ostream& os, const AtomDistribution& d)
{
    for (int c : d.nat) os << ' ' << c;
    return os;
}

}  // namespace morvane
