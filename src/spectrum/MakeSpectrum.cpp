#include <cmath>

#include "engine/MolEnsemble.h"
#include "spectrum/BaseSpectrum.h"
#include "spectrum/MassSort.h"

// Chained merging: a variant joins the open group when its position lies
// within res of the variant visited before it. A peak's position is
// sum(p * m / z) / sum(p), its height sum(p).
void MolEnsemble::MakeSpectrum(BaseSpectrum* spectrum, double res)
{
    StableSortByMass(moldist);
    const bool mtz = masstocharge == 1;
    auto v = moldist.begin();
    if (mtz)
        while (v != moldist.end() && v->charge == 0) ++v;
    if (v == moldist.end()) return;

    auto divisor = [mtz](const MolDistribution& d) { return mtz ? static_cast<double>(d.charge) : 1.0; };
    auto close = [spectrum](double w, double a) {
        if (a == 0) return;
        isotope peak(w / a, a);
        spectrum->push_back(peak);
    };
    double previous = v->mass / divisor(*v);
    double w = 0, a = 0;
    for (; v != moldist.end(); ++v) {
        if (mtz && v->charge == 0) continue;
        const double z = divisor(*v);
        const double x = v->mass / z;
        if (std::fabs(x - previous) <= res) {
            a = a + v->abundance;
            w = w + v->abundance * v->mass / z;
        } else {
            close(w, a);
            w = v->abundance * v->mass / z;
            a = v->abundance;
        }
        previous = x;
    }
    close(w, a);
}
