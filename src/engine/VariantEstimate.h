#ifndef MORVANE_ENGINE_VARIANTESTIMATE_H
#define MORVANE_ENGINE_VARIANTESTIMATE_H

#include "../formula/MolComposition.h"

namespace morvane {

// The number of the molecule's variants more probable than thr times the
// most probable one, from the elements' spreads alone, before anything is
// enumerated. Near its peak the distribution of each element's minor
// isotope counts is close to a Gaussian (covariance n (diag(a) - a a^T),
// whose determinant is n^d times the product of the abundances involved),
// and the variants above the threshold fill the ellipsoid where its
// exponent stays within ln(1/thr): volume V_D (2 ln(1/thr))^(D/2) times the
// square root of the product of the determinants, D the dimensions. Minor
// isotopes expected less than once count as one variant, so the figure is
// low rather than high: the search keeps variants relative to the best so
// far, 4 to 10 times as many for proteins. Infinite for thr = 0.
double EstimatedVariants(const MolComposition& c, double thr);

// The same estimate for one element's combinations: n atoms of `a`.
double EstimatedCombinations(const AtomIsoAbun& a, int n, double thr);

// True when the estimate alone shows that the search would pass its bound
// on visits (MAX_COMBINATION_VISITS), with a margin for the estimate being
// low: 1.6 MDa proteins at 1e-3 (about 10^11 variants) are told at once
// instead of after minutes of counting. False for thr = 0, whose count is
// known exactly once the elements are enumerated.
bool BeyondReach(const MolComposition& c, double thr);

}  // namespace morvane

#endif
