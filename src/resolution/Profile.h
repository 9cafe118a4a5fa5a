#ifndef MORVANE_RESOLUTION_PROFILE_H
#define MORVANE_RESOLUTION_PROFILE_H

#include <cstddef>
#include <string>
#include <vector>

#include "../elements/isotope.h"
#include "Resolution.h"

namespace morvane {

// What an instrument of a given resolution records of a set of peaks (the
// variants of a pattern): positions ascending, intensities in the peaks'
// abundance unit (a lone peak's top equals its abundance).
struct Profile {
    std::vector<double> x;
    std::vector<double> y;
};

// Grid points per local full width at half maximum.
const double POINTS_PER_WIDTH = 10;
// The grid reaches this many widths beyond the outer peaks.
const double PROFILE_MARGIN_WIDTHS = 4;
// A profile of more points is refused (16 bytes each).
const std::size_t MAX_PROFILE_POINTS = 10000000;
// Maxima below this fraction of the largest are ripples, not centroids.
const double DEFAULT_CENTROID_FLOOR = 1e-6;
// Variants closer than this fraction of the narrowest width are one peak to
// any instrument of that resolution.
const double FINE_MERGE_FRACTION = 1.0 / 50;

// The sum over `peaks` (any order) of Gaussians of the local width
// r.Fwhm(position), each as high as the peak's abundance, sampled from the
// lowest position less PROFILE_MARGIN_WIDTHS of its width to the highest
// plus as many of its width. The grid's spacing is a tenth of the width at
// its left point (at the right point where widths shrink rightwards, as
// for negative m/z), so every width holds at least POINTS_PER_WIDTH points.
// Each Gaussian is summed over the points within 5 of its widths, where it
// is above 1e-30 of its top: the cost is a few hundred steps per peak plus
// one per point. Returns false with the reason when a peak has no positive
// finite width (a position of 0 under a law that grows from 0), when such a
// law's grid would reach position 0, or when the grid would exceed
// MAX_PROFILE_POINTS.
bool MakeProfile(const std::vector<isotope>& peaks, const Resolution& r, Profile& profile, std::string& reason);

// The centroids of the profile of `peaks`: one per local maximum of at
// least `floor` times the largest maximum. Its position is the top of the
// Gaussian through the maximum and its two neighbours (a parabola through
// the logarithms of the three intensities), exact for a lone peak; its
// abundance is the summed abundance of the peaks between the minima of the
// profile that bound it (the lowest point between it and each neighbouring
// centroid; the outer centroids reach to the ends), so the centroids keep
// the peaks' total. Centroids come in the order of the peaks' positions:
// ascending, or descending when the peaks descend (as negative m/z does).
// Returns false with MakeProfile's reasons.
bool MakeCentroids(const std::vector<isotope>& peaks, const Resolution& r, double floor,
                   std::vector<isotope>& centroids, std::string& reason);

}  // namespace morvane

#endif
