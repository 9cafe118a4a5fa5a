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
    // closest observed peak is taken, so resolved neighbours keep their own).
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
    std::vector<double> covariance;     // the amounts' covariance (Nnls.h), column-major, ions x ions
    double residual = 0;                // |model - observed| / |observed| over the rows
    int rows = 0;                       // observed peaks plus theoretical ones without an observed partner
};

// Fits `ions` (at least one) together to the spectrum: each observed peak of
// the window (from the lightest ion peak to the heaviest, widened by the
// tolerance) above noise is one row, an ion peak (a variant of its fine structure
// when the ion has them) pairs with the closest
// observed peak within the tolerance (the larger of the ppm's
// and two widths), and an ion peak without one adds a
// row of observed intensity 0 (shared by the ions' unpaired peaks within
// the tolerance of each other) when it is at least the noise floor's
// fraction of its ion's largest: smaller ones would be lost in the noise,
// and are left out. Amounts by non-negative least squares
// (Nnls.h); a proportion's uncertainty by the delta method from the
// amounts' covariance. Returns false with the reason when the window holds
// no peak above 0, every amount comes out 0, or the solver fails; `fit` is
// then unchanged.
bool FitMixture(const MeasuredSpectrum& spectrum, const std::vector<Ion>& ions, const MixtureSettings& s,
                MixtureFit& fit, std::string& reason);

}  // namespace morvane

#endif
