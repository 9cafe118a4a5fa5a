#ifndef MORVANE_SPECTRUM_INTENSITYLIST_H
#define MORVANE_SPECTRUM_INTENSITYLIST_H

#include <deque>

#include "BaseSpectrum.h"

namespace morvane {

// Peak heights only; positions are dropped on insertion.
class IntensityList : public BaseSpectrum {
public:
    IntensityList();
    explicit IntensityList(int n);
    ~IntensityList() override;

    int size() override;
    void resize(int n) override;
    double intensity(double x) override;
    void push_back(isotope& p) override;

    double& operator[](int i);
    void push_front(isotope& p);
    void pop_back();
    void pop_front();

private:
    std::deque<double> intensities;
};

}  // namespace morvane

#endif
