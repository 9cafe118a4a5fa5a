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
// A group of variants spanning at most this fraction of the local width is
// one peak to any instrument of that resolution: replacing it by one
// Gaussian at its mean moves the profile by less than 3e-4 of the group's
// height (half the curvature at a top times the variance, (1/100)^2 widths^2
// at most), and far less for the usual group around one heavy variant.
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
// MAX_PROFILE_POINTS; `profile` is then left empty or partly filled.
bool MakeProfile(const std::vector<isotope>& peaks, const Resolution& r, Profile& profile, std::string& reason);

// The fine structure as an instrument of resolution r sees it: the peaks
// taken in ascending order of position and grouped from the lightest on,
// each group all the peaks within FINE_MERGE_FRACTION of the width at its
// first peak from that peak (so a group spans at most that, however densely
// the variants lie), at its abundance-weighted mean position with the sum
// of their abundances. The groups come in the order of the peaks: ascending,
// or descending when the peaks descend. Widths must be usable at every
// position (see MakeProfile).
std::vector<isotope> GroupFineStructure(const std::vector<isotope>& peaks, const Resolution& r);

// What a centroid's intensity is.
enum class CentroidIntensity {
    // The summed abundance of the peaks between its valleys: the centroids
    // keep the peaks' total.
    Sum,
    // The area of the profile between its valleys, in the unit where each
    // Gaussian's area is its peak's abundance: each peak's abundance shared
    // by the part of its Gaussian on each side of a valley. A lone peak's
    // area is its abundance, and the areas keep the peaks' total too.
    Area,
};

// The centroids of the profile of `peaks`, found on the continuous sum of
// Gaussians (GaussianSum.h), not on its grid: one per strict local maximum
// (top) of at least `floor` times the largest, shoulders included. A top's
// position is the root of the sum's slope, and so is each valley: the
// lowest minimum between two neighbouring tops (the outer centroids reach
// to the ends). The roots are bracketed on MakeProfile's grid, whose
// spacing is a tenth of a width: a stretch whose ends differ in the sign of
// the slope or of the curvature is searched at 16 points (1/160
// of a width), where a slope that turns back towards 0 without crossing it
// is followed to its root of curvature; two extrema closer than that, a dip
// of around 1e-9 of the height, count as none. Positions then do not move
// with the grid. The intensity is that of `intensity`. Centroids come in the
// order of the peaks' positions: ascending, or descending when the peaks
// descend (as negative m/z does). The grid is walked, not stored. At each of
// its points only the signs of the slope and the curvature are needed: one
// step where every peak within 5 widths lies more than half a width to the
// same side (a flank), else a step per such peak. A stretch holding an
// extremum costs some 5 such values, or 16 where bounds on the derivatives
// cannot rule out a second sign change; a stretch holding an inflection on
// a steep slope costs none; each root a few values. Returns false with
// MakeProfile's reasons, and then leaves `centroids` as it was.
bool MakeCentroids(const std::vector<isotope>& peaks, const Resolution& r, double floor,
                   std::vector<isotope>& centroids, std::string& reason,
                   CentroidIntensity intensity = CentroidIntensity::Sum);

// Where MakeCentroids's centroids of a set of peaks lie: their tops, and
// the valleys between neighbouring tops (one fewer), both ascending. With
// CentroidIntensity::Sum a peak belongs to the centroid of the first valley
// at or above its position (the last centroid when none is).
struct CentroidBounds {
    std::vector<double> tops;
    std::vector<double> valleys;
};

// The bounds MakeCentroids finds for `peaks` (any order): what the
// instrument shows of each peak, for a model fitted centroid by centroid.
// Returns false with MakeCentroids's reasons, and then leaves `bounds` as
// it was.
bool FindCentroidBounds(const std::vector<isotope>& peaks, const Resolution& r, double floor, CentroidBounds& bounds,
                        std::string& reason);

}  // namespace morvane

#endif
