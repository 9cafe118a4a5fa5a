#ifndef MORVANE_SPECTRUM_DISTANCE_H
#define MORVANE_SPECTRUM_DISTANCE_H

#include <string>
#include <vector>

#include "../elements/isotope.h"

namespace morvane {

// Comparisons of two stick spectra (a calculated pattern, or measured
// positions and intensities), in any order of positions. Intensities must be
// finite and >= 0 with a positive sum, positions finite; otherwise the
// functions return false with the reason.

// The 1-D Wasserstein (earth mover's) distance between the spectra scaled
// to a sum of 1: the integral over the position of |F_a - F_b|, F the
// cumulative sums. Exact (up to rounding), O(n log n) for n sticks in all.
// In the units of the positions.
bool WassersteinDistance(const std::vector<isotope>& a, const std::vector<isotope>& b, double& distance,
                         std::string& reason);

// The cosine similarity of the intensities after pairing peaks: in order of
// position, a peak of `a` at x pairs with the first unpaired peak of `b`
// within ppm * 1e-6 * |x| of it. sum over pairs of I_a * I_b divided by the
// norms of all of a's and all of b's intensities; 1 for equal spectra.
bool CosineSimilarity(const std::vector<isotope>& a, const std::vector<isotope>& b, double ppm, double& similarity,
                      std::string& reason);

}  // namespace morvane

#endif
