#include "spectrum/GaussianList.h"

#include <cmath>

namespace morvane {

GaussianList::GaussianList() : fwhm(0.1) {}
GaussianList::GaussianList(int n) : PeakList(n), fwhm(0.5) {}
GaussianList::~GaussianList() {}

double GaussianList::intensity(double x)
{
    double sum = 0.0;
    const double w = fwhm;
    for (const isotope& peak : peaks) {
        const double d = (x - peak.mass) / w;
        const double g = std::exp(d * d * (-2.772588722));
        sum += g * (peak.abundance * 0.9394372785) / w;
    }
    return sum;
}

}  // namespace morvane
