#ifndef MORVANE_MATCH_MIXTURE_H
#define MORVANE_MATCH_MIXTURE_H

#include <optional>
#include <string>
#include <vector>

#include "../resolution/Resolution.h"
#include "MeasuredSpectrum.h"
#include "Theory.h"

namespace morvane {

// How overlapping ions are fitted together.
struct MixtureSettings {
    double ppm = 10;  // the pairing tolerance, as for one envelope
    // The instrument: an ion's peak and an observed one also pair within two
    // local peak widths (FWHM), since the instrument shows unequal peaks up to
    // about 1.3 widths apart as one centroid, near the larger of them (the
    // closest observed peak is taken, so resolved neighbours keep their own);
    // with it the ions are also drawn and centroided as the instrument does.
    std::optional<Resolution> resolution;
    double theoryFloor = 1e-3;  // each ion's peaks below this fraction of its largest are left out
    double noiseFloor = 0.01;   // observed peaks below this fraction of the window's largest are left out
};

// The amounts of the ions that best explain the observed peaks of their
// common window.
struct MixtureFit {
    std::vector<double> amounts;        // each ion's total intensity (its peaks' probabilities scaled), >= 0
    std::vector<double> proportions;    // amounts over their sum
    std::vector<double> uncertainties;  // standard error of each proportion, from the fit's residuals
    std::vector<double> covariance;     // the amounts' covariance (Nnls.h, weighted rows), column-major, ions x ions
    double residual = 0;                // |model - observed| / |observed| over the rows, unweighted
    int rows = 0;                       // observed peaks plus theoretical ones without an observed partner
};

// Fits `ions` (at least one) together to the spectrum. Each observed peak
// of the window (from the lightest ion peak to the heaviest, widened by the
// tolerance) above noise is one row; an ion's peaks (the variants of its
// fine structure when it has them) go to the rows in which the instrument
// would show them. The first fit pairs each peak with the closest observed
// one within the tolerance (the larger of the ppm's and two widths). With a
// resolution, each next fit draws the ions at the amounts fitted before
// (an ion at 0 at a hundredth of the largest) and centroids them as the
// instrument does (resolution/Profile.h, FindCentroidBounds): a drawn
// centroid pairs with the closest observed peak within the tolerance, and
// its variants are shared among the observed peaks at the drawn profile's
// lowest points between the drawn tops paired with them, so that peaks one
// centroid shows together (a small one on a large one's flank) or apart
// (fine structure split by a valley) are summed as the instrument sums them;
// this repeats until the rows repeat, five fits at most. An ion peak or
// drawn centroid without an observed partner adds a row of observed
// intensity 0 (shared by those within the tolerance of each other) when it
// holds a peak of at least the noise floor's fraction of its ion's largest:
// smaller ones would be lost in the noise, and are left out. Amounts by
// non-negative least squares (Nnls.h), weighted as relative errors (each
// row divided by its observed intensity, or by 0.3 of the window's largest
// where that is more: intensity noise grows with the peak, but small peaks
// carry errors of their own, lost peaks and noise peaks, that do not shrink
// with them); a proportion's uncertainty by the delta method from the
// amounts' covariance, the residual unweighted. Returns false with the
// reason when the window holds no peak above 0, every amount comes out 0,
// a drawn profile cannot be made (Profile.h's reasons), or the solver
// fails; `fit` is then unchanged.
bool FitMixture(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const MixtureSettings& s,
                MixtureFit& fit, std::string& reason);

}  // namespace morvane

#endif
