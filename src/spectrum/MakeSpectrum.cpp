#include "engine/MolEnsemble.h"
#include "spectrum/MassSort.h"
#include "spectrum/PeakMerger.h"

namespace morvane {

// In mass-to-charge mode variants of charge 0 have no position and are
// left out.
void MolEnsemble::MakeSpectrum(BaseSpectrum* spectrum, double res)
{
    StableSortByMass(moldist);
    const bool mtz = masstocharge == 1;
    PeakMerger merger(spectrum, res);
    for (const MolDistribution& v : moldist)
        if (!mtz || v.charge != 0) merger.Add(v.mass, v.abundance, mtz ? static_cast<double>(v.charge) : 1.0);
    merger.Finish();
}

}  // namespace morvane
