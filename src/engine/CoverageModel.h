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

// The dimensions of the model for a molecule whose variants are cut at
// x = ln(1/t): per element and minor isotope entry whose atoms expect
// lambda = atoms * abundance of it, 1 when lambda >= 1, else
// min(1, max(5 lambda, 0.2 x / ln(1/lambda))). A rare isotope adds a
// variant a factor of about lambda less probable with each atom, so the
// deeper the cut, the more of its atoms count.
double CoverageDimensions(const MolComposition& c, double x);

// The x = ln(1/t) of a first round aiming to leave `outside` of the
// probability out: LogThresholdFor with the dimensions of that x, found by
// substitution from the dimensions at x = 0.
double FirstLogThreshold(const MolComposition& c, double outside);

// The dimensions that make Q(d/2, x) equal `outside` (x = ln(1/t)).
double FitDimensions(double x, double outside);

// The x = ln(1/t) at which Q(d/2, x) equals `outside`.
double LogThresholdFor(double dimensions, double outside);

}  // namespace morvane

#endif
