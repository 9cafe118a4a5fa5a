#include "calc/IsoCalc.h"

#include "calc/Normalize.h"
#include "core/Status.h"
#include "spectrum/CalculateSpectrum.h"

namespace morvane {

IsoCalc::IsoCalc()
    : thr(0.001), degen(0.1), tableloaded(false), compositionset(false), normalized(false), calculated(false),
      autocalc(false)
{
}

IsoCalc::IsoCalc(char*) : IsoCalc() {}

IsoCalc::~IsoCalc() {}

int IsoCalc::Recalculate()
{
    normalized = false;
    calculated = false;
    spectrum.resize(0);
    const int status =
        CalculateSpectrum(composition, thr, ensemble.masstocharge == 1, degen, ensemble, &spectrum);
    if (status != 0) return status;
    calculated = true;
    return 0;
}

int IsoCalc::Calculate()
{
    if (!tableloaded) return CALC_NO_TABLE;
    if (!compositionset) return CALC_NO_COMPOSITION;
    return Recalculate();
}

int IsoCalc::SetCharge(int z)
{
    composition.charge = z;
    return autocalc && Ready() ? Recalculate() : 0;
}

int IsoCalc::SetThr(double t)
{
    if (!(t >= 0 && t < 1)) return CALC_SETTING_REFUSED;
    thr = t;
    return autocalc && Ready() ? Recalculate() : 0;
}

int IsoCalc::SetDegen(double d)
{
    if (!(d >= 0)) return CALC_SETTING_REFUSED;
    degen = d;
    return autocalc && Ready() ? Recalculate() : 0;
}

int IsoCalc::SetMassToCharge(bool b)
{
    ensemble.masstocharge = b ? 1 : 0;
    return autocalc && Ready() && !calculated ? Recalculate() : 0;
}

int IsoCalc::SetAutoCalc(bool b)
{
    autocalc = b;
    return autocalc && Ready() && !calculated ? Recalculate() : 0;
}

int IsoCalc::SetFwhm(double w)
{
    if (!(w > 0)) return CALC_SETTING_REFUSED;
    spectrum.fwhm = w;
    return 0;
}

int IsoCalc::GetThr(double& t)
{
    t = thr;
    return 0;
}

int IsoCalc::GetDegen(double& d)
{
    d = degen;
    return 0;
}

int IsoCalc::GetCharge(int& z)
{
    z = composition.charge;
    return 0;
}

int IsoCalc::GetAutoCalc(bool& b)
{
    b = autocalc;
    return 0;
}

int IsoCalc::GetFwhm(double& w)
{
    w = spectrum.fwhm;
    return 0;
}

int IsoCalc::GetNPeaks(int& n)
{
    n = calculated ? spectrum.size() : 0;
    return 0;
}

int IsoCalc::Peak(int i, double& m, double& a)
{
    m = 0;
    a = 0;
    if (!calculated) return CALC_NOT_CALCULATED;
    if (i < 0 || i >= spectrum.size()) return CALC_INDEX_OUT_OF_RANGE;
    m = spectrum[i].mass;
    a = spectrum[i].abundance;
    return 0;
}

int IsoCalc::Mass(int i, double& m)
{
    double a;
    return Peak(i, m, a);
}

int IsoCalc::Abundance(int i, double& a)
{
    double m;
    return Peak(i, m, a);
}

int IsoCalc::Normalize()
{
    if (!calculated) return CALC_NOT_CALCULATED;
    NormalizeToLargest(spectrum, spectrum.size());
    normalized = true;
    return 0;
}

int IsoCalc::Intensity(double x, double& y)
{
    y = 0;
    if (!calculated) return CALC_NOT_CALCULATED;
    y = spectrum.intensity(x);
    return 0;
}

}  // namespace morvane
