#include "engine/MolDistribution.h"

void MolDistribution::CalculateMass()
{
    double sum = 0.0;
    for (const AtomDistribution* d : atomdist) sum += d->mass;
    mass = charge * ELECTRON_MASS_FACTOR + sum;
}

std::ostream& operator<<(std::ostream& os, const MolDistribution& d)
{
    for (const AtomDistribution* a : d.atomdist) os << *a;
    const std::streamsize previous = os.precision(8);
    os << ' ' << d.charge << ' ' << d.mass;
    os.precision(previous);
    os << ' ' << d.abundance << '\n';
    return os;
}
