#ifndef MORVANE_SPECTRUM_MASSSORT_H
#define MORVANE_SPECTRUM_MASSSORT_H

#include <vector>

#include "../engine/MolDistribution.h"

namespace morvane {

// Sorts variants by ascending mass; variants of equal mass keep their order.
// The same result as std::stable_sort with MolDistribution::operator<, for
// masses that are not NaN (-0.0 and +0.0 count as equal). Between 4096 and
// 2^24 variants it is a least-significant-digit radix sort on the masses'
// bit patterns, otherwise std::stable_sort.
void StableSortByMass(std::vector<MolDistribution>& variants);

}  // namespace morvane

#endif
