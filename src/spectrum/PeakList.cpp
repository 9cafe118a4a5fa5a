#include "spectrum/PeakList.h"

namespace morvane {

PeakList::PeakList() {}
PeakList::PeakList(int n) : peaks(static_cast<std::size_t>(n)) {}
PeakList::~PeakList() {}

int PeakList::size() { return static_cast<int>(peaks.size()); }
void PeakList::resize(int n) { peaks.resize(static_cast<std::size_t>(n)); }
double PeakList::intensity(double) { return 0.0; }
void PeakList::push_back(isotope& p) { peaks.push_back(p); }

isotope& PeakList::operator[](int i) { return peaks[static_cast<std::size_t>(i)]; }
void PeakList::push_front(isotope& p) { peaks.push_front(p); }
void PeakList::pop_back() { peaks.pop_back(); }
void PeakList::pop_front() { peaks.pop_front(); }

}  // namespace morvane
