#include "formula/FormulaMasses.h"

#include <cmath>
#include <limits>

namespace morvane {

FormulaMasses MassesOf(const MolComposition& c)
{
    FormulaMasses m;
    double nominal = 0.0;  // whole numbers, exact below 2^53
    for (int i = 0; i < c.totalnat; ++i) {
        const AtomIsoAbun& a = c.atom[i];
        if (a.niso == 0) continue;
        double weighted = 0.0, abundance = 0.0;
        for (int j = 0; j < a.niso; ++j) {
            weighted += a.iso[j].abundance * a.iso[j].mass;
            abundance += a.iso[j].abundance;
        }
        m.monoisotopic += c.nat[i] * a.iso[0].mass;
        m.average += c.nat[i] * (weighted / abundance);
        nominal += c.nat[i] * std::round(a.iso[0].mass);
    }
    const double limit = static_cast<double>(std::numeric_limits<long long>::max());
    if (std::fabs(nominal) < limit) m.nominal = static_cast<long long>(nominal);
    return m;
}

}  // namespace morvane
