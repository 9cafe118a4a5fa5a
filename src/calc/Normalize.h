#ifndef MORVANE_CALC_NORMALIZE_H
#define MORVANE_CALC_NORMALIZE_H

#include <cmath>

namespace morvane {

// Makes the largest of the n abundances 100 and keeps the others' ratios to
// it: each becomes a * 100.0 / largest, in this order of operations, since
// the printed digits depend on it. When every abundance is 0 they all become
// NaN. `Peaks` is indexable by int, its elements having `abundance`.
template <class Peaks>
void NormalizeToLargest(Peaks& peaks, int n)
{
    double largest = 0.0;
    for (int i = 0; i < n; ++i) largest = std::fmax(largest, peaks[i].abundance);
    for (int i = 0; i < n; ++i) peaks[i].abundance = peaks[i].abundance * 100.0 / largest;
}

}  // namespace morvane

#endif
