#include "formula/FormulaMasses.h"

#include <cmath>

namespace morvane {

FormulaMasses MassesOf(const MolComposition& c)
{
    FormulaMasses m;
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
        m.nominal += c.nat[i] * std::llround(a.iso[0].mass);
    }
    return m;
}

}  // namespace morvane
