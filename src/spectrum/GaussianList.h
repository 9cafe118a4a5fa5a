#ifndef MORVANE_SPECTRUM_GAUSSIANLIST_H
#define MORVANE_SPECTRUM_GAUSSIANLIST_H

#include "PeakList.h"

namespace morvane {

// Peaks broadened into Gaussians of full width at half maximum fwhm.
class GaussianList : public PeakList {
public:
    double fwhm;

    GaussianList();
    explicit GaussianList(int n);
    ~GaussianList() override;

    // Sum over peaks of exp(-4 ln2 d^2) * a * 2 sqrt(ln2/pi) / w, d = (x-m)/w:
    // each peak a Gaussian of width w whose area is its height a.
    double intensity(double x) override;
};

}  // namespace morvane

#endif
