#ifndef MORVANE_MATCH_PROFILERESOLUTION_H
#define MORVANE_MATCH_PROFILERESOLUTION_H

#include <string>
#include <vector>

#include "../elements/isotope.h"
#include "../resolution/Resolution.h"
#include "MeasuredSpectrum.h"

namespace morvane {

// Fewer clean peaks than this give no estimate: a median of one or two
// widths follows whatever spoils them.
const int MIN_RESOLUTION_PEAKS = 3;

// The resolving power a profile's peaks show.
struct ResolutionEstimate {
    Analyzer analyzer = Analyzer::Orbitrap;
    double power = 0;      // R0: the median of the peaks' resolving powers, brought to the reference
    double reference = 0;  // m0: the analyzer's DefaultReference
    int peaks = 0;         // the clean peaks measured

    Resolution At() const { return Resolution::Power(analyzer, power, reference); }
    // "61000 @ 200 (orbitrap), from 14 peaks": R0 to three significant
    // digits (no reference for tof, whose power is the same everywhere).
    std::string Describe() const;
};

// Estimates the resolving power of the instrument that recorded `points`,
// profile points in ascending m/z, under the width law of `analyzer` (Tof,
// Orbitrap or Fticr). A peak counts when it is clean: a local maximum at
// least 1 % of the largest and 10 times the points' median intensity (the
// noise of a profile made mostly of baseline), the highest point between
// its half-height crossings, with at least 3 points above half height and
// the crossings (interpolated linearly between the points around them) no
// further than a third of its width from those points, and nearly
// symmetric (its half widths within 20 % of its width of each other), which
// leaves out peaks that merge with a neighbour. Its height is the top of the
// Gaussian through its three highest points, its width the distance between
// the crossings, and its resolving power is converted to the reference m/z
// through the analyzer's law. Returns false with the reason when fewer than
// MIN_RESOLUTION_PEAKS peaks are clean, or for Analyzer::Fwhm; `estimate`
// is then unchanged.
bool EstimateResolution(const std::vector<isotope>& points, Analyzer analyzer, ResolutionEstimate& estimate,
                        std::string& reason);

// A profile spectrum centroided (as PeakListFile.h's profile reading does)
// at the resolution EstimateResolution finds in it. Returns false with the
// reason of the estimate or of the centroider; `centroids` and `estimate`
// are then unchanged.
bool CentroidAtEstimate(const MeasuredSpectrum& profile, Analyzer analyzer, MeasuredSpectrum& centroids,
                        ResolutionEstimate& estimate, std::string& reason);

}  // namespace morvane

#endif
