#ifndef MORVANE_SPECTRUM_BASESPECTRUM_H
#define MORVANE_SPECTRUM_BASESPECTRUM_H

#include "../elements/isotope.h"

namespace morvane {

// A container of peaks, filled by the spectrum assembly through push_back.
class BaseSpectrum {
public:
    virtual ~BaseSpectrum() {}
    virtual int size() = 0;
    virtual void resize(int n) = 0;
    // Profile intensity at position x.
    virtual double intensity(double x) = 0;
    virtual void push_back(isotope& p) = 0;
};

}  // namespace morvane

#endif
