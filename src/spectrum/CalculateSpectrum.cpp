#include "spectrum/CalculateSpectrum.h"

#include <cmath>

#include "spectrum/PeakList.h"

namespace {

// The calculation proper: variants, then peaks appended to `peaks`.
int AssemblePeaks(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                  BaseSpectrum& peaks)
{
    ensemble.masstocharge = masstocharge ? 1 : 0;
    const int status = ensemble.GenerateEnsemble(c, thr);
    if (status != 0) return status;
    ensemble.MakeSpectrum(&peaks, degen);
    return 0;
}

// Appends `peaks` to `spectrum` when every position and height is finite
// (a table of huge masses can overflow a sum); otherwise appends nothing
// and returns 6.
int AppendIfFinite(PeakList& peaks, BaseSpectrum* spectrum)
{
    const int n = peaks.size();
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(peaks[i].mass) || !std::isfinite(peaks[i].abundance)) return 6;
    for (int i = 0; i < n; ++i) spectrum->push_back(peaks[i]);
    return 0;
}

}  // namespace

int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum)
{
    PeakList peaks;
    const int status = AssemblePeaks(c, thr, masstocharge, degen, ensemble, peaks);
    if (status != 0) return status;
    return AppendIfFinite(peaks, spectrum);
}
