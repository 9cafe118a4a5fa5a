#include "spectrum/CalculateSpectrum.h"

int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum)
{
    ensemble.masstocharge = masstocharge ? 1 : 0;
    const int status = ensemble.GenerateEnsemble(c, thr);
    if (status != 0) return status;
    ensemble.MakeSpectrum(spectrum, degen);
    return 0;
}
