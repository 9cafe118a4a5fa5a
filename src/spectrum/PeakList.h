#ifndef MORVANE_SPECTRUM_PEAKLIST_H
#define MORVANE_SPECTRUM_PEAKLIST_H

#include <deque>

#include "BaseSpectrum.h"

namespace morvane {

// Peaks as (position, height) records.
class PeakList : public BaseSpectrum {
public:
    PeakList();
    explicit PeakList(int n);
    ~PeakList() override;

    int size() override;
    void resize(int n) override;
    double intensity(double x) override;
    void push_back(isotope& p) override;

    isotope& operator[](int i);
    void push_front(isotope& p);
    void pop_back();
    void pop_front();

protected:
    std::deque<isotope> peaks;
};

}  // namespace morvane

#endif
