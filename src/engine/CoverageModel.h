#ifndef MORVANE_ENGINE_COVERAGEMODEL_H
#define MORVANE_ENGINE_COVERAGEMODEL_H

#include "../formula/MolComposition.h"

namespace morvane {

// A model of how much probability lies outside the variants above a
// threshold, used to choose the thresholds of the coverage target's search.
// Near its peak a molecule's distribution is close to a Gaussian in d
// dimensions (one per minor isotope that its atoms hold a fair number of),
// and then the variants less probable than t times the most probable one
// hold Q(d/2, ln(1/t)) of the probability (Q: the regularised upper
// incomplete gamma function; the chi-square distribution's tail). The model
// is fitted to each measured shortfall, so a poor first guess costs one
// round, not a wrong result.

// Q(s, x) for s > 0, x >= 0.
double UpperGammaQ(double s, double x);

// The dimensions of the model for a molecule: per element and minor isotope
// entry, min(1, 5 * atoms * abundance).
double CoverageDimensions(const MolComposition& c);

// The dimensions that make Q(d/2, x) equal `outside` (x = ln(1/t)).
double FitDimensions(double x, double outside);

// The x = ln(1/t) at which Q(d/2, x) equals `outside`.
double LogThresholdFor(double dimensions, double outside);

}  // namespace morvane

#endif
