#ifndef MORVANE_SPECTRUM_NOMINALSPECTRUM_H
#define MORVANE_SPECTRUM_NOMINALSPECTRUM_H

#include <vector>

#include "../engine/MolEnsemble.h"
#include "../formula/MolComposition.h"

namespace morvane {

// The mass number of an isotope entry: its mass rounded to an integer.
long long MassNumber(double mass);

// Per element of the ensemble and per stored combination, the neutrons it
// has beyond the same atoms all in the element's most abundant isotope:
// the sum over entries j of count * (A_j - A_0), A the mass number.
std::vector<std::vector<long long>> ExtraNeutrons(const MolEnsemble& ensemble);

// The extra neutrons of the variant a search hands to its sink.
long long VariantNeutrons(const std::vector<std::vector<long long>>& neutrons, const std::uint32_t* cursor,
                          std::uint32_t innermost);

// One bin of the nominal pattern: its extra neutrons, its probability and
// its position, the probability-weighted mean of its variants' positions.
struct NominalPeak {
    long long neutrons;
    double position;
    double probability;
};

// The smallest bin the nominal pattern holds, relative to the largest.
// Below it a bin is within a few units in the last place of the largest
// bin's double: added to the largest it changes that by a rounding at
// most, and no instrument comes within orders of magnitude of that range.
// Every bin above it is exact to far better than 1e-12 of the largest
// (NeutronDistribution.h), so what the pattern shows does not depend on
// how the distribution's tails were trimmed.
const double NOMINAL_FLOOR = 1e-15;

// Nominal binning, the coarse pattern of proteomics tools: the molecule's
// variants summed by their extra neutrons (NeutronDistribution.h), computed
// directly from the elements and not from enumerated variants, so that it
// does not depend on a threshold and takes milliseconds for molecules of
// millions of daltons (its work grows with the atoms' count). One peak
// per bin of at least NOMINAL_FLOOR of the largest bin's probability, in
// increasing order of neutrons, at the position charge * (-electron mass)
// + mean neutral mass, divided by the charge in mass-to-charge mode (a
// negative ion's positions are then negative). Fills `peaks` (emptied
// first) and returns 0; in mass-to-charge mode with charge 0, no peaks.
// Returns 6, with no peaks, when the bins would span more than 2^24
// neutrons or the largest bin's probability is not a normal double
// (nothing above 0, or abundances of a table of one's own whose product
// leaves the double range).
int NominalPeaks(const MolComposition& molecule, bool masstocharge, std::vector<NominalPeak>& peaks);

}  // namespace morvane

#endif
