#include "spectrum/IntensityList.h"

namespace morvane {

IntensityList::IntensityList() {}
IntensityList::IntensityList(int n) : intensities(static_cast<std::size_t>(n), 0.0) {}
IntensityList::~IntensityList() {}

int IntensityList::size() { return static_cast<int>(intensities.size()); }
void IntensityList::resize(int n) { intensities.resize(static_cast<std::size_t>(n), 0.0); }
double IntensityList::intensity(double) { return 0.0; }
void IntensityList::push_back(isotope& p) { intensities.push_back(p.abundance); }

double& IntensityList::operator[](int i) { return intensities[static_cast<std::size_t>(i)]; }
void IntensityList::push_front(isotope& p) { intensities.push_front(p.abundance); }
void IntensityList::pop_back() { intensities.pop_back(); }
void IntensityList::pop_front() { intensities.pop_front(); }

}  // namespace morvane
